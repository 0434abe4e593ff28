#!/usr/bin/env bash
# Viewer timings on a 1920x1080 virtual screen: a 24-megapixel JPEG shown
# after the request, not read ahead and read ahead, against the old way.
#
#   bench/viewer.sh [BIG.jpg BIG2.jpg]     (default: two made from the corpus)
#   BUILD_DIR=dir  ROUNDS=n  bench/viewer.sh
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
rounds="${ROUNDS:-7}"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build" -j2 --target kuvo-viewer-bench >/dev/null

big="${1:-}"
big2="${2:-}"
if [ -z "$big" ]; then
  photo="$(find "$here/corpus" -maxdepth 1 -name '*.jpg' 2>/dev/null | head -n 1)"
  [ -n "$photo" ] || { echo "no picture given and bench/corpus/ is empty (run bench/corpus.sh)"; exit 1; }
  convert "$photo" -resize '6000x4000!' -quality 92 "$work/a.jpg"
  convert "$photo" -flop -resize '6000x4000!' -quality 92 "$work/b.jpg"
  big="$work/a.jpg"
  big2="$work/b.jpg"
fi
convert -size 800x500 gradient:'#3a3'-'#ee3' "$work/small.png"

display=":$((170 + RANDOM % 80))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$build/bench/kuvo-viewer-bench" "$big" "$big2" "$work/small.png" "$rounds"
