#!/usr/bin/env bash
# Peak memory of kuvo-batch over runs of 100, 1 000 and 10 000 pictures: a
# long run must keep memory flat (one picture per worker in flight, results
# written as they come). Pictures are copies of one 640x480 JPEG.
#
#   bench/memory_scaling.sh            BUILD_DIR=dir  JOBS=2
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${BUILD_DIR:-$here/../build}"
jobs="${JOBS:-2}"
kuvo="$build/bin/kuvo-batch"
[ -x "$kuvo" ] || { echo "build kuvo-batch first ($kuvo)"; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
convert -size 640x480 plasma:fractal -quality 85 "$work/base.jpg"
for i in $(seq 1 10000); do cp "$work/base.jpg" "$work/in/p$i.jpg"; done

printf '%8s %10s %12s\n' pictures seconds "peak MB"
for n in 100 1000 10000; do
  rm -rf "$work/out"
  find "$work/in" -name '*.jpg' | sort | head -n "$n" >"$work/list"
  mapfile -t files <"$work/list"
  /usr/bin/time -f '%e %M' -o "$work/time" "$kuvo" --quiet -j "$jobs" -o "$work/out" --width 320 "${files[@]}"
  read -r secs kb <"$work/time"
  printf '%8d %10.2f %12d\n' "$n" "$secs" $((kb / 1024))
done
