# Sourced by the run and test scripts: a private Xvfb display, a Wine prefix under the
# build folder on one shared virtual desktop, and a persistent wineserver. Everything
# started here is stopped by wine_env_stop (installed as an EXIT trap by wine_env_start).

wine_env_start() {
  local build_dir="$1"
  export WINEDEBUG=-all
  export WINEPREFIX="$build_dir/wineprefix"
  # No Mono/Gecko install dialogs; no winedbg on a crash (it would wait for a debugger
  # until the test times out); no menu entries and icons written into the host's home
  # folder for the installer's Start-menu shortcut.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
  mkdir -p "$build_dir"
  MEMTIDE_XVFB_PID=""
  if [ -z "${DISPLAY:-}" ] || [ "${MEMTIDE_PRIVATE_DISPLAY:-1}" = "1" ]; then
    local fdfile; fdfile="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    MEMTIDE_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi
  trap wine_env_stop EXIT
  if [ ! -f "$WINEPREFIX/.memtide-ready-3" ]; then
    echo "wine-env: creating Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    # Without the shell, Wine 8's Shell_TrayWnd is a hidden 0 x 0 window: no taskbar,
    # no notification area.
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wineserver -w
    # GDI+ looks for fonts in the Windows font folder only; Wine keeps its own Tahoma
    # (the face the program's labels use) elsewhere.
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    touch "$WINEPREFIX/.memtide-ready-3"
  fi
  # A server left by a run that was killed (or one still open) keeps the prefix: use it.
  if ! wineserver -p 2>/dev/null; then
    echo "wine-env: a Wine server already runs for $WINEPREFIX; using it"
  fi
  MEMTIDE_WINESERVER_STARTED=1
  # The first Wine process of a server session starts Wine's services (services.exe,
  # winedevice.exe, explorer.exe), which inherit that process's stdout and stderr and live
  # until the server ends. Start them here with no pipe attached, or CTest would wait on
  # the pipe of whichever test happened to come first.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  if [ -n "${MEMTIDE_WINESERVER_STARTED:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    MEMTIDE_WINESERVER_STARTED=""
  fi
  if [ -n "${MEMTIDE_XVFB_PID:-}" ]; then
    kill "$MEMTIDE_XVFB_PID" >/dev/null 2>&1 || true
    wait "$MEMTIDE_XVFB_PID" 2>/dev/null || true
    MEMTIDE_XVFB_PID=""
  fi
}
