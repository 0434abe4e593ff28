#!/usr/bin/env bash
# The preview in the real window under Xvfb: selection (and a settings
# change) to the first paint of the new preview, for a 24-megapixel baseline
# JPEG and its progressive twin. Xvfb runs on display :18 only for the run.
#
#   bench/window_bench.sh [BASELINE.jpg]       BUILD_DIR=dir  ROUNDS=5  WINDOW_DISPLAY=18
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${BUILD_DIR:-$here/../build}"
big="${1:-$here/corpus/large/24mp.jpg}"
cmake --build "$build" -j2 --target kuvo-window-bench >/dev/null
prog="${big%.jpg}-progressive.jpg"
mkdir -p "$here/results"
[ -f "$prog" ] || convert "$big" -interlace JPEG -quality 92 "$prog"

Xvfb :${WINDOW_DISPLAY:-18} -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY=:${WINDOW_DISPLAY:-18} QT_QPA_PLATFORM=xcb "$build/bench/kuvo-window-bench" "$big" "$prog" "${ROUNDS:-5}" "$here/results/window.png"
