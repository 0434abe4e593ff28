#!/usr/bin/env bash
# Batch benchmark: every picture of bench/corpus/ to 800 px wide, JPEG
# quality 90, timed for kuvo-batch and its peers (libvips' vipsthumbnail,
# ImageMagick mogrify, GraphicsMagick gm mogrify) and the TurboJPEG floor
# (scaled decode + encode, no resize), each with 1 and 2 workers. Then the
# quality of each tool's results (mean luma PSNR against a double-precision
# Lanczos-3 reference made from the full decode) and kuvo-batch's peak memory
# on a 24-megapixel JPEG.
#
#   bench/run.sh                 build what is needed, build the corpus if
#                                missing, run everything
#   BUILD_DIR=dir  REPEAT=n  JOBS="1 2"  WIDTH=800  QUALITY=90  bench/run.sh
#
# Workers: kuvo-batch runs its own worker threads (--jobs N). The single-file
# tools run N processes over equal parts of the list (xargs -P N), each held
# to one thread (VIPS_CONCURRENCY=1, OMP_NUM_THREADS=1, MAGICK_THREAD_LIMIT=1)
# so that "N workers" means N cores' worth of work for every tool. Peak
# memory is /usr/bin/time's maximum resident set size: of the whole process
# for kuvo-batch, of the largest single process for the others.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
repeat="${REPEAT:-2}"
jobs_list="${JOBS:-1 2}"
width="${WIDTH:-800}"
quality="${QUALITY:-90}"
results="$here/results"
export VIPS_CONCURRENCY=1 OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1

# --- build -----------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target kuvo-floor kuvo-psnr kuvo-resample-bench >/dev/null
# kuvo-batch is timed when it builds; otherwise the peers and the floor only.
if ! cmake --build "$build" -j2 --target kuvo-batch >"$build/kuvo-batch-build.log" 2>&1; then
  rm -f "$build/bin/kuvo-batch"
  echo "kuvo-batch does not build (see $build/kuvo-batch-build.log)"
fi
floor="$build/bench/kuvo-floor"
psnr="$build/bench/kuvo-psnr"
kuvo="$build/bin/kuvo-batch"
have_kuvo=0
[ -x "$kuvo" ] && have_kuvo=1

# --- corpus ----------------------------------------------------------------
shopt -s nullglob
files=("$here"/corpus/*.jpg)
if [ ${#files[@]} -eq 0 ]; then
  "$here/corpus.sh"
  files=("$here"/corpus/*.jpg)
fi
n=${#files[@]}
megapixels=$(identify -ping -format '%w %h\n' "${files[@]}" 2>/dev/null | awk '{s+=$1*$2} END {printf "%.1f", s/1e6}')
echo "corpus: $n pictures, $megapixels megapixels in all; target ${width} px wide, JPEG q$quality"
cat "${files[@]}" >/dev/null # into the page cache before the first timing
mkdir -p "$results"
printf '%s\n' "${files[@]}" >"$results/files.txt"
printf '%s\n' "${files[@]##*/}" >"$results/names.txt"

# --- one tool --------------------------------------------------------------
# run_tool NAME JOBS: runs the tool over the corpus REPEAT times into
# results/NAME-JOBS/ and records the best wall time and its peak memory.
declare -A pps rss
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
# tool_cmd NAME JOBS OUTDIR: runs one tool over the list in files.txt.
tool_cmd() {
  local name=$1 j=$2 out=$3 list="$results/files.txt"
  local per=$(((n + j - 1) / j))
  local xa=(xargs -d '\n' -a "$list" -P "$j" -n "$per")
  case $name in
  kuvo)
    local all
    mapfile -t all <"$list"
    "$kuvo" -o "$out" --size width --width "$width" --format jpg --quality "$quality" --jobs "$j" "${all[@]}"
    ;;
  floor) "${xa[@]}" "$floor" -o "$out" --width "$width" --quality "$quality" ;;
  vips) "${xa[@]}" vipsthumbnail --size "${width}x" -o "$out/%s.jpg[Q=$quality]" ;;
  magick) "${xa[@]}" mogrify -resize "${width}x" -quality "$quality" -path "$out" ;;
  filter) "${xa[@]}" "$build/bench/kuvo-resample-bench" emulate "$out" "$width" ;;
  gm) # gm joins the output folder and the input path as given: use bare names
    cd "$here/corpus"
    xargs -d '\n' -a "$results/names.txt" -P "$j" -n "$per" gm mogrify -resize "${width}x" -quality "$quality" -output-directory "$out" ;;
  esac
}
export -f tool_cmd
export n width quality kuvo floor results here build
run_tool() { # run_tool NAME JOBS: best of REPEAT runs into results/NAME-JOBS/
  local name=$1 j=$2 out="$results/$1-$2" best="" best_rss=0 r t0 t1 wall m made
  for ((r = 0; r < repeat; r++)); do
    rm -rf "$out" && mkdir -p "$out"
    t0=$(date +%s.%N)
    if ! /usr/bin/time -v -o "$results/time.txt" bash -c 'tool_cmd "$@"' _ "$name" "$j" "$out" \
      >"$results/$name-$j.log" 2>&1; then
      echo "$name ($j): failed, see $results/$name-$j.log" >&2
      return 0
    fi
    t1=$(date +%s.%N)
    wall=$(calc "$t1 - $t0")
    m=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$results/time.txt")
    if [ -z "$best" ] || [ "$(calc "$wall < $best")" = "1.000000" ]; then
      best=$wall
      best_rss=$m
    fi
  done
  made=$(find "$out" -type f | wc -l)
  [ "$made" -eq "$n" ] || echo "$name ($j): $made of $n pictures written" >&2
  pps[$name-$j]=$(calc "$n / $best")
  rss[$name-$j]=$((best_rss / 1024))
  printf '%-8s %4d %10.2f %12.2f %10d\n' "$name" "$j" "$best" "${pps[$name-$j]}" "${rss[$name-$j]}"
}

tools=(floor vips magick gm)
if [ $have_kuvo = 1 ]; then
  tools=(kuvo "${tools[@]}")
else
  # Until kuvo-batch exists: its resize path alone (reduced-scale decode,
  # Lanczos-3, encode), for quality and a first idea of the speed.
  tools=(filter "${tools[@]}")
  echo "kuvo-batch not built yet: timing the peers, the floor and the resize path alone ('filter')"
fi
echo
printf '%-8s %4s %10s %12s %10s\n' tool jobs "seconds" "pictures/s" "peak MB"
for j in $jobs_list; do
  for t in "${tools[@]}"; do
    run_tool "$t" "$j"
  done
done

if [ $have_kuvo = 1 ]; then
  echo
  echo "kuvo-batch against the others (pictures per second; targets: vips >= 1.6, magick >= 5, floor/kuvo <= 1.15)"
  for j in $jobs_list; do
    for t in vips magick gm; do
      [ -n "${pps[$t-$j]:-}" ] && printf '  %d jobs: kuvo / %-6s = %5.2f\n' "$j" "$t" "$(calc "${pps[kuvo-$j]} / ${pps[$t-$j]}")"
    done
    [ -n "${pps[floor-$j]:-}" ] && printf '  %d jobs: floor / kuvo  = %5.2f\n' "$j" "$(calc "${pps[floor-$j]} / ${pps[kuvo-$j]}")"
  done
fi

# --- quality ---------------------------------------------------------------
echo
echo "quality: mean luma PSNR against a double-precision Lanczos-3 reference from the full decode"
last_j=${jobs_list##* }
dirs=()
for t in "${tools[@]}"; do
  [ "$t" = floor ] && continue # not resized to the target: nothing to compare
  [ -d "$results/$t-$last_j" ] && dirs+=("$t=$results/$t-$last_j")
done
"$psnr" "$results/files.txt" "${dirs[@]}"

# --- peak memory on a 24-megapixel photograph -----------------------------
big="$here/corpus/large/24mp.jpg"
if [ ! -f "$big" ]; then
  mkdir -p "$(dirname "$big")"
  convert "${files[0]}" -resize '6000x4000!' -quality 92 "$big"
fi
echo
echo "peak memory, one 6000x4000 JPEG to ${width} px:"
mem_of() { # mem_of NAME CMD...
  local name=$1
  shift
  rm -rf "$results/big" && mkdir -p "$results/big"
  if /usr/bin/time -v -o "$results/time.txt" "$@" >/dev/null 2>&1; then
    printf '  %-8s %6d MB\n' "$name" $(($(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$results/time.txt") / 1024))
  else
    printf '  %-8s failed\n' "$name"
  fi
}
if [ $have_kuvo = 1 ]; then
  mem_of kuvo "$kuvo" -o "$results/big" --size width --width "$width" --format jpg --quality "$quality" --jobs 1 "$big"
  echo "  (target for kuvo-batch: < 200 MB)"
fi
mem_of vips vipsthumbnail --size "${width}x" -o "$results/big/%s.jpg[Q=$quality]" "$big"
mem_of magick mogrify -resize "${width}x" -quality "$quality" -path "$results/big" "$big"
mem_of floor "$floor" -o "$results/big" --width "$width" --quality "$quality" "$big"

# --- the resampler alone ---------------------------------------------------
echo
"$build/bench/kuvo-resample-bench"
