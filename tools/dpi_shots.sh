#!/usr/bin/env bash
# The monitor window and the options dialog at 96, 144 and 192 DPI under Xvfb:
# docs/dpi-<dpi>-monitor.png, docs/dpi-<dpi>-options.png and docs/dpi-<dpi>.png (side by side),
# the program's icon in the taskbar's notification area, four times enlarged:
# docs/dpi-<dpi>-tray.png, and the icon with the free-memory figure on, at the machine's own
# value (the real program) and at 5 % (TrayShot, below the auto-optimize limit), side by
# side: docs/dpi-<dpi>-tray-figure.png.
#   tools/dpi_shots.sh [build root]   (default: $MEMTIDE_BUILD_ROOT, else build; needs the i686
#                                      MonitorShot.exe, OptionsShot.exe, TrayShot.exe and
#                                      Memtide.exe).
# The prefix is left at 96 DPI.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_ROOT="${1:-${MEMTIDE_BUILD_ROOT:-$ROOT/build}}"
case "$BUILD_ROOT" in /*) ;; *) BUILD_ROOT="$ROOT/$BUILD_ROOT";; esac
BIN="$BUILD_ROOT/i686/bin"
for exe in MonitorShot OptionsShot TrayShot Memtide; do
  [ -f "$BIN/$exe.exe" ] || { echo "missing $BIN/$exe.exe (build target $exe)"; exit 1; }
done
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
mkdir -p "$ROOT/docs"

set_dpi() {
  # Wine reads the DPI when a process starts; a fresh server session makes sure of it.
  wine_env_start "$BUILD_ROOT"
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine_env_stop
}
scaled() { echo $(( ($1 * $2 + 48) / 96 )); }
# A server session; should the script stop early, the prefix still goes back to 96 DPI.
start_session() {
  wine_env_start "$BUILD_ROOT"
  trap 'wine_env_stop; set_dpi 96' EXIT
}
figure_setting() {  # on|off: the program's setting for the free-memory figure
  if [ "$1" = on ]; then
    wine reg add 'HKCU\Software\Quorix\Memtide' /v ShowFreeMemoryInTrayIcon /t REG_DWORD /d 1 /f \
      >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Quorix\Memtide' /v ShowFreeMemoryInTrayIcon /f >/dev/null 2>&1 || true
  fi
}
# The right end of the taskbar, four times enlarged (Wine's taskbar is the small-icon size
# plus 4 pixels high, at the bottom of the 1024 x 768 desktop).
tray_shot() {  # dpi output
  local bar=$(( $(scaled 16 "$1") + 4 ))
  import -window root -crop "$(( bar * 3 ))x${bar}+$(( 1024 - bar * 3 ))+$(( 768 - bar ))" \
    +repage png:- | convert png:- -scale 400% "$2"
}

for d in 96 144 192; do
  set_dpi "$d"
  start_session
  # Both tools put their window at (40, 40).
  wine "$BIN/MonitorShot.exe" idle 8 </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 5
  import -window root -crop "$(scaled 257 "$d")x$(scaled 268 "$d")+40+40" +repage \
    "$ROOT/docs/dpi-$(printf %03d "$d")-monitor.png"
  wait "$pid" || true
  wine "$BIN/OptionsShot.exe" general 8 </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 5
  # The frame is the system's; crop a margin around the scaled client area.
  import -window root -crop "$(scaled 480 "$d")x$(scaled 369 "$d")+40+40" +repage \
    "$ROOT/docs/dpi-$(printf %03d "$d")-options.png"
  wait "$pid" || true
  # The program itself, for its icon at the right end of the taskbar (the program's
  # monitor window may sit right above it). The end of the server session stops it.
  n=$(printf %03d "$d")
  figure_setting off
  wine "$BIN/Memtide.exe" </dev/null >/dev/null 2>&1 &
  sleep 5
  tray_shot "$d" "$ROOT/docs/dpi-$n-tray.png"
  wine_env_stop
  # The same with the free-memory figure, then the figure at a low value.
  start_session
  figure_setting on
  wine "$BIN/Memtide.exe" </dev/null >/dev/null 2>&1 &
  sleep 6
  tray_shot "$d" "$BUILD_ROOT/tray-figure-normal.png"
  wine_env_stop
  start_session
  figure_setting off
  wine "$BIN/TrayShot.exe" 5 8 </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 5
  tray_shot "$d" "$BUILD_ROOT/tray-figure-low.png"
  wait "$pid" || true
  wine_env_stop
  convert "$BUILD_ROOT/tray-figure-normal.png" "$BUILD_ROOT/tray-figure-low.png" \
    -background white -splice 16x0 +append "$ROOT/docs/dpi-$n-tray-figure.png"
  convert "$ROOT/docs/dpi-$n-monitor.png" "$ROOT/docs/dpi-$n-options.png" -background white \
    -gravity north +append "$ROOT/docs/dpi-$n.png"
done
trap - EXIT
wine_env_start "$BUILD_ROOT"
figure_setting off
wine_env_stop
set_dpi 96
echo "written: docs/dpi-096.png docs/dpi-144.png docs/dpi-192.png (and -monitor / -options / -tray / -tray-figure)"
