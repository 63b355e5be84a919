#!/usr/bin/env bash
# Screenshots of the monitor window under Xvfb: docs/monitor-idle.png, docs/monitor-run.png
# (a run held at 60 %) and docs/monitor-result.png (after a run).
#   tools/monitor_shots.sh [build root]     (default: build; needs the i686 MonitorShot.exe)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_ROOT="${1:-$ROOT/build}"
case "$BUILD_ROOT" in /*) ;; *) BUILD_ROOT="$ROOT/$BUILD_ROOT";; esac
EXE="$BUILD_ROOT/i686/bin/MonitorShot.exe"
[ -f "$EXE" ] || { echo "missing $EXE (build target MonitorShot)"; exit 1; }
# shellcheck source=scripts/wine-env.sh
source "$ROOT/scripts/wine-env.sh"
wine_env_start "$BUILD_ROOT"
mkdir -p "$ROOT/docs"
# The tool puts the 257 x 268 window at (40, 40).
for mode in idle run result; do
  wine "$EXE" "$mode" 8 </dev/null >/dev/null 2>&1 &
  pid=$!
  sleep 5
  import -window root -crop 257x268+40+40 +repage "$ROOT/docs/monitor-$mode.png"
  wait "$pid" || true
done
echo "written: docs/monitor-idle.png docs/monitor-run.png docs/monitor-result.png"
