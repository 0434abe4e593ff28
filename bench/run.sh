#!/usr/bin/env bash
# Batch benchmark: kuvo-batch beside its peers (libvips' vipsthumbnail,
# ImageMagick mogrify, GraphicsMagick gm mogrify) and the TurboJPEG floor
# (scaled decode + encode, no resize), on the photographs of bench/corpus/.
#
#   T1  every photo to 800 px wide, JPEG q90
#   T2  T1 with a Chinese text watermark and an 80 % picture watermark
#   T3  PNG photos to 800-px JPEG; JPEG photos to 800-px PNG; large GIFs
#       (GIF output through the palette quantiser)
#   T4  the window: selection to painted preview (bench/window_bench.sh)
# then the mean luma PSNR of T1's results against a double-precision
# Lanczos-3 reference from the full decode, peak memory on a 24-megapixel
# JPEG, the resampler's own timings, and a line per target: met or not.
#
#   bench/run.sh          BUILD_DIR=dir  ROUNDS=5  JOBS=2  WIDTH=800  QUALITY=90
#
# The machine is shared, so absolute times mean little: every round runs
# every command once, one after the other (interleaved), and the ratios are
# the medians over the rounds of the ratio within each round. CPU seconds
# (user + system) are printed beside the wall time, and every time target
# shows both ratios. The targets are judged by CPU seconds when the machine
# was loaded (mean load average over the rounds above the number of cores:
# other work then decides the wall time), else by wall time; JUDGE=cpu or
# JUDGE=wall chooses.
#
# Workers: kuvo-batch runs its own worker threads (--jobs N). The single-file
# tools run N processes over equal parts of the list (xargs -P N), each held
# to one thread (VIPS_CONCURRENCY=1, OMP_NUM_THREADS=1, MAGICK_THREAD_LIMIT=1)
# so that "N workers" means N cores' worth of work for every tool. kuvo-batch
# runs as a user would start it, without those variables: it keeps its own
# libraries to its workers' threads. Peak
# memory is /usr/bin/time's maximum resident set size: of the whole process
# for kuvo-batch, of the largest single process for the others.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
rounds="${ROUNDS:-5}"
j="${JOBS:-2}"
width="${WIDTH:-800}"
quality="${QUALITY:-90}"
results="$here/results"
export VIPS_CONCURRENCY=1 OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1

# --- build -----------------------------------------------------------------
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target kuvo-batch kuvo-floor kuvo-psnr kuvo-resample-bench >/dev/null
floor="$build/bench/kuvo-floor"
psnr="$build/bench/kuvo-psnr"
kuvo="$build/bin/kuvo-batch"

# --- corpora ---------------------------------------------------------------
shopt -s nullglob
files=("$here"/corpus/*.jpg)
if [ ${#files[@]} -eq 0 ]; then
  "$here/corpus.sh"
  files=("$here"/corpus/*.jpg)
fi
n=${#files[@]}
mkdir -p "$results"
# The other formats are made once from the first photographs.
derived="$here/corpus/derived"
mkdir -p "$derived/png" "$derived/gif"
for f in "${files[@]:0:12}"; do
  b=$(basename "$f" .jpg)
  [ -f "$derived/png/$b.png" ] || convert "$f" "$derived/png/$b.png"
done
for f in "${files[@]:0:6}"; do
  b=$(basename "$f" .jpg)
  [ -f "$derived/gif/$b.gif" ] || convert "$f" -resize '2000x>' "$derived/gif/$b.gif"
done
pngs=("$derived"/png/*.png)
gifs=("$derived"/gif/*.gif)
megapixels=$(identify -ping -format '%w %h\n' "${files[@]}" 2>/dev/null | awk '{s+=$1*$2} END {printf "%.1f", s/1e6}')
echo "corpus: $n JPEG photographs ($megapixels megapixels), ${#pngs[@]} PNG, ${#gifs[@]} GIF; ${width} px wide, q$quality, $j workers, $rounds rounds"
cat "${files[@]}" "${pngs[@]}" "${gifs[@]}" >/dev/null # into the page cache before the first timing

# --- the commands ----------------------------------------------------------
# Each case is "tool:input:output"; run_case runs one over its list into OUT.
wm_text='Kuvo图片批处理 版权所有'
wm_pic="$root/data/sy/Kuvo标志.png"
run_case() { # run_case CASE OUT
  local case=$1 out=$2 tool input output list
  IFS=: read -r tool input output <<<"$case"
  case $input in
  jpg) list=("${files[@]}") ;;
  png) list=("${pngs[@]}") ;;
  gif) list=("${gifs[@]}") ;;
  esac
  local per=$(((${#list[@]} + j - 1) / j))
  local xa=(xargs -0 -P "$j" -n "$per")
  local k=(--size width --width "$width" --quality "$quality" --jobs "$j" -o "$out")
  local kuvo_run=(env -u OMP_NUM_THREADS -u VIPS_CONCURRENCY -u MAGICK_THREAD_LIMIT "$kuvo")
  case $tool in
  kuvo) "${kuvo_run[@]}" "${k[@]}" --format "$output" "${list[@]}" ;;
  kuvo_wm) "${kuvo_run[@]}" "${k[@]}" --format jpg --text "$wm_text" --font-size 24 --color '#ffffff' \
    --watermark "$wm_pic" --opacity 80 "${list[@]}" ;;
  kuvo_gif) "${kuvo_run[@]}" "${k[@]}" --width 1600 --format original "${list[@]}" ;;
  floor) printf '%s\0' "${list[@]}" | "${xa[@]}" "$floor" -o "$out" --width "$width" --quality "$quality" ;;
  vips) printf '%s\0' "${list[@]}" | "${xa[@]}" vipsthumbnail --size "${width}x" -o "$out/%s.$output[Q=$quality]" ;;
  magick) printf '%s\0' "${list[@]}" | "${xa[@]}" mogrify -resize "${width}x" -quality "$quality" -format "$output" -path "$out" ;;
  magick_gif) printf '%s\0' "${list[@]}" | "${xa[@]}" mogrify -resize 1600x -format gif -path "$out" ;;
  gm) # gm joins the output folder and the input path as given: use bare names
    (cd "$(dirname "${list[0]}")" && printf '%s\0' "${list[@]##*/}" |
      "${xa[@]}" gm mogrify -resize "${width}x" -quality "$quality" -output-directory "$out") ;;
  esac
}

cases=(kuvo:jpg:jpg floor:jpg:jpg vips:jpg:jpg magick:jpg:jpg gm:jpg:jpg kuvo_wm:jpg:jpg
  kuvo:png:jpg vips:png:jpg kuvo:jpg:png vips:jpg:png kuvo_gif:gif:gif magick_gif:gif:gif)
export j width quality kuvo floor wm_text wm_pic
declare -A wall cpu rss
loads="" # the 1-minute load average before each round
for ((r = 1; r <= rounds; r++)); do
  loads+="$(cut -d' ' -f1 /proc/loadavg) "
  for c in "${cases[@]}"; do
    out="$results/${c//:/-}"
    rm -rf "$out" && mkdir -p "$out"
    if ! /usr/bin/time -f '%e %U %S %M' -o "$results/time.txt" bash -c "$(declare -f run_case); $(declare -p files pngs gifs); run_case \"\$@\"" _ "$c" "$out" \
      >"$results/${c//:/-}.log" 2>&1; then
      echo "$c: failed, see $results/${c//:/-}.log" >&2
      wall[$c]+="- " # keeps the rounds of every command in step for the ratios
      cpu[$c]+="- "
      continue
    fi
    read -r e u s m < <(tail -n 1 "$results/time.txt")
    wall[$c]+="$e "
    cpu[$c]+="$(awk "BEGIN {print $u + $s}") "
    rss[$c]="$m"
  done
  printf 'round %d of %d done\n' "$r" "$rounds" >&2
done

median() { tr ' ' '\n' | grep -v -e '^$' -e '^-$' | sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# ratio KIND A B: median over the rounds of A's time / B's time, KIND being
# wall or cpu.
ratio() {
  local -n times=$1
  local -a a b
  read -r -a a <<<"${times[$2]:-}"
  read -r -a b <<<"${times[$3]:-}"
  local i out=""
  for ((i = 0; i < ${#a[@]} && i < ${#b[@]}; i++)); do
    [ "${a[i]}" = - ] || [ "${b[i]}" = - ] || out+="$(awk "BEGIN {print ${a[i]} / ${b[i]}}") "
  done
  echo "$out" | median
}
cores=$(getconf _NPROCESSORS_ONLN) # not nproc: it follows OMP_NUM_THREADS, set to 1 above
mean_load=$(echo "$loads" | tr ' ' '\n' | awk 'NF {s += $1; n++} END {printf "%.1f", n ? s / n : 0}')
judge="${JUDGE:-auto}"
if [ "$judge" = auto ]; then
  judge=$(awk "BEGIN {print ($mean_load > $cores) ? \"cpu\" : \"wall\"}")
fi

echo
printf '%-20s %10s %10s %10s %9s\n' "command" "wall s" "CPU s" "cores" "peak MB"
for c in "${cases[@]}"; do
  [ -n "${wall[$c]:-}" ] || continue
  w=$(echo "${wall[$c]}" | median)
  p=$(echo "${cpu[$c]}" | median)
  printf '%-20s %10.2f %10.2f %10.2f %9d\n' "$c" "$w" "$p" "$(awk "BEGIN {print $p / $w}")" $((rss[$c] / 1024))
done
echo "(medians of $rounds rounds; load average before the rounds: $loads; now: $(cut -d' ' -f1-3 /proc/loadavg))"

# --- quality ---------------------------------------------------------------
echo
echo "T1 quality: mean luma PSNR against a double-precision Lanczos-3 reference from the full decode"
printf '%s\n' "${files[@]}" >"$results/files.txt"
"$psnr" "$results/files.txt" kuvo="$results/kuvo-jpg-jpg" vips="$results/vips-jpg-jpg" \
  magick="$results/magick-jpg-jpg" gm="$results/gm-jpg-jpg" | tee "$results/psnr.txt"
db() { awk -v t="$1" '$1 == t {print $2}' "$results/psnr.txt"; }

# --- peak memory on a 24-megapixel photograph -----------------------------
big="$here/corpus/large/24mp.jpg"
if [ ! -f "$big" ]; then
  mkdir -p "$(dirname "$big")"
  convert "${files[0]}" -resize '6000x4000!' -quality 92 "$big"
fi
rm -rf "$results/big" && mkdir -p "$results/big"
/usr/bin/time -f '%M' -o "$results/time.txt" "$kuvo" -o "$results/big" --size width --width "$width" \
  --format jpg --quality "$quality" --jobs 1 "$big" >/dev/null 2>&1
big_mb=$(($(tail -n 1 "$results/time.txt") / 1024))
echo
echo "peak memory of kuvo-batch, one 6000x4000 JPEG to ${width} px: $big_mb MB"

# --- byte-identical outputs with 1 and 2 workers --------------------------
rm -rf "$results/j1" "$results/j2" && mkdir -p "$results/j1" "$results/j2"
"$kuvo" -o "$results/j1" --width "$width" --quality "$quality" --jobs 1 "${files[@]:0:12}" >/dev/null 2>&1
"$kuvo" -o "$results/j2" --width "$width" --quality "$quality" --jobs 2 "${files[@]:0:12}" >/dev/null 2>&1
identical=no
diff -r "$results/j1" "$results/j2" >/dev/null && identical=yes

# --- the resampler alone ---------------------------------------------------
echo
"$build/bench/kuvo-resample-bench"

# --- targets ---------------------------------------------------------------
verdict() { # verdict TEXT MEASURED OP LIMIT [NOTE]
  local ok
  ok=$(awk "BEGIN {print ($2 $3 $4) ? \"met\" : \"NOT MET\"}")
  printf '  %-58s %8.2f %-2s %6s  %-8s %s\n' "$1" "$2" "$3" "$4" "$ok" "${5:-}"
}
# A time target: judged by the chosen kind, the other ratio beside it.
timed() { # timed TEXT A B OP LIMIT
  local c w
  c=$(ratio cpu "$2" "$3")
  w=$(ratio wall "$2" "$3")
  if [ "$judge" = cpu ]; then
    verdict "$1" "$c" "$4" "$5" "$(printf '(wall %.2f)' "$w")"
  else
    verdict "$1" "$w" "$4" "$5" "$(printf '(CPU %.2f)' "$c")"
  fi
}
echo
if [ "$judge" = cpu ]; then
  echo "targets judged by CPU seconds (user + system): the mean load average over the rounds was $mean_load on $cores cores, so other work decided the wall times"
else
  echo "targets judged by wall time: the mean load average over the rounds was $mean_load on $cores cores"
fi
echo "($j workers; ratios are medians over $rounds interleaved rounds; > 1 means kuvo-batch is faster)"
timed "T1 vipsthumbnail time / kuvo-batch time" vips:jpg:jpg kuvo:jpg:jpg ">=" 1.6
timed "T1 mogrify time / kuvo-batch time" magick:jpg:jpg kuvo:jpg:jpg ">=" 5
timed "T1 gm mogrify time / kuvo-batch time (no target)" gm:jpg:jpg kuvo:jpg:jpg ">=" 0
timed "T1 kuvo-batch time / floor time" kuvo:jpg:jpg floor:jpg:jpg "<=" 1.15
# What the least work (decode at the smallest scale, encode) would score
# against the same peers in the same rounds: no tool can do much better.
timed "T1 floor against vipsthumbnail (no target)" vips:jpg:jpg floor:jpg:jpg ">=" 0
timed "T1 floor against mogrify (no target)" magick:jpg:jpg floor:jpg:jpg ">=" 0
verdict "T1 luma PSNR, kuvo-batch minus vipsthumbnail (dB)" "$(awk "BEGIN {print $(db kuvo) - $(db vips)}")" ">=" -0.3
verdict "T1 peak memory on 24 megapixels (MB)" "$big_mb" "<" 200
verdict "T1 --jobs 2 output identical to --jobs 1 (1 = yes)" "$([ $identical = yes ] && echo 1 || echo 0)" "==" 1
timed "T2 watermarked time / T1 time" kuvo_wm:jpg:jpg kuvo:jpg:jpg "<=" 1.1
timed "T3 PNG to JPEG: vipsthumbnail time / kuvo-batch time" vips:png:jpg kuvo:png:jpg ">=" 1.3
timed "T3 JPEG to PNG: vipsthumbnail time / kuvo-batch time" vips:jpg:png kuvo:jpg:png ">=" 1.3
timed "T3 large GIF: mogrify time / kuvo-batch time" magick_gif:gif:gif kuvo_gif:gif:gif ">=" 1
if [ -x "$here/window_bench.sh" ] && [ "${WINDOW:-1}" = 1 ]; then
  "$here/window_bench.sh" "$big" | tee "$results/window.txt" | sed 's/^/  /'
fi
