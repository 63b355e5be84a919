#!/usr/bin/env bash
# The monitor window and the options dialog at 96, 144 and 192 DPI under Xvfb:
# docs/dpi-<dpi>-monitor.png, docs/dpi-<dpi>-options.png and docs/dpi-<dpi>.png (side by side),
# and the program's icon in the taskbar's notification area, four times enlarged:
# docs/dpi-<dpi>-tray.png.
#   tools/dpi_shots.sh [build root]   (default: $MEMTIDE_BUILD_ROOT, else build; needs the i686
#                                      MonitorShot.exe, OptionsShot.exe and Memtide.exe).
# The prefix is left at 96 DPI.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_ROOT="${1:-${MEMTIDE_BUILD_ROOT:-$ROOT/build}}"
case "$BUILD_ROOT" in /*) ;; *) BUILD_ROOT="$ROOT/$BUILD_ROOT";; esac
BIN="$BUILD_ROOT/i686/bin"
for exe in MonitorShot OptionsShot Memtide; do
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

for d in 96 144 192; do
  set_dpi "$d"
  wine_env_start "$BUILD_ROOT"
  trap 'wine_env_stop; set_dpi 96' EXIT
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
  import -window root -crop "$(scaled 480 "$d")x$(scaled 345 "$d")+40+40" +repage \
    "$ROOT/docs/dpi-$(printf %03d "$d")-options.png"
  wait "$pid" || true
  # The program itself, for its icon at the right end of the taskbar (Wine's taskbar is
  # the small-icon size plus 4 pixels high, at the bottom of the 1024 x 768 desktop; the
  # program's monitor window may sit right above it). The end of the server session stops it.
  wine "$BIN/Memtide.exe" </dev/null >/dev/null 2>&1 &
  sleep 5
  bar=$(( $(scaled 16 "$d") + 4 ))
  import -window root -crop "$(( bar * 3 ))x${bar}+$(( 1024 - bar * 3 ))+$(( 768 - bar ))" \
    +repage png:- | convert png:- -scale 400% "$ROOT/docs/dpi-$(printf %03d "$d")-tray.png"
  wine_env_stop
  n=$(printf %03d "$d")
  convert "$ROOT/docs/dpi-$n-monitor.png" "$ROOT/docs/dpi-$n-options.png" -background white \
    -gravity north +append "$ROOT/docs/dpi-$n.png"
done
trap - EXIT
set_dpi 96
echo "written: docs/dpi-096.png docs/dpi-144.png docs/dpi-192.png (and -monitor / -options / -tray)"
