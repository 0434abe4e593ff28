#!/usr/bin/env bash
# Builds the benchmark corpus: real photographs from Debian wallpaper
# packages, copied into bench/corpus/ (git-ignored). Large JPEGs (at least
# 2 megapixels) are taken as they are; when there are too few, large PNG
# photographs are converted to JPEG at quality 92 with ImageMagick.
#
#   bench/corpus.sh [MAX_PICTURES]      (default 40)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
corpus="$here/corpus"
max="${1:-40}"
min_pixels=2000000
packages=(plasma-workspace-wallpapers mate-backgrounds lomiri-wallpapers lxqt-themes
  gnome-backgrounds desktop-base debian-edu-artwork ubuntu-wallpapers-focal xfce4-artwork)

mkdir -p "$corpus"
existing=$(find "$corpus" -maxdepth 1 -name '*.jpg' | wc -l)
if [ "$existing" -ge "$max" ]; then
  echo "corpus: $existing pictures already in $corpus"
  exit 0
fi

# CORPUS_CACHE keeps the downloaded packages between runs when set.
if [ -n "${CORPUS_CACHE:-}" ]; then
  work="$CORPUS_CACHE"
  mkdir -p "$work"
else
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi
cd "$work"
for p in "${packages[@]}"; do
  if [ -d "extract-$p" ]; then
    continue
  elif apt-get download "$p" >/dev/null 2>&1; then
    dpkg-deb -x "$p"_*.deb "extract-$p"
    echo "corpus: unpacked $p"
  else
    echo "corpus: $p not available, skipped"
  fi
done

# Pixel count of a picture, or 0 when it cannot be read.
pixels() {
  local wh
  wh=$(identify -ping -format '%w %h\n' "$1[0]" 2>/dev/null | head -n1) || wh="0 0"
  set -- $wh
  echo $((${1:-0} * ${2:-0}))
}

# Distinct pictures only: the same photograph is often shipped in several
# sizes or under several names; keep the largest copy of each checksum and
# of each base name.
declare -A seen
count=$existing

# Name of the photograph a file shows: wallpapers shipped in several sizes
# are either folders of files named WIDTHxHEIGHT (the folder names the
# photograph) or names ending in _WIDTHxHEIGHT.
photo_name() {
  local base
  base=$(basename "${1%.*}")
  if [[ "$base" =~ ^[0-9]+x[0-9]+$ ]]; then
    base=$(basename "$(dirname "$(dirname "$(dirname "$1")")")")
  fi
  base=$(sed -E 's/[_-]?[0-9]{3,5}x[0-9]{3,5}$//' <<<"$base")
  tr -c 'A-Za-z0-9_.\n-' '_' <<<"${base:-photo}"
}

list_by_size() { find extract-* -type f -iregex "$1" -printf '%s %p\n' 2>/dev/null | sort -rn | cut -d' ' -f2-; }

while IFS= read -r f; do
  [ "$count" -ge "$max" ] && break
  sum=$(md5sum <"$f" | cut -c1-32)
  [ -n "${seen[$sum]:-}" ] && continue
  seen[$sum]=1
  px=$(pixels "$f")
  [ "$px" -ge "$min_pixels" ] || continue
  name=$(photo_name "$f")
  # Largest files come first, so a name already taken is a smaller copy.
  [ -e "$corpus/$name.jpg" ] && continue
  cp "$f" "$corpus/$name.jpg"
  count=$((count + 1))
done < <(list_by_size '.*\.jpe?g')

if [ "$count" -lt "$max" ]; then
  # Photographs shipped as PNG: convert the large ones. Skip pictures with
  # few colours (drawings, gradients), which are not what the batch meets.
  while IFS= read -r f; do
    [ "$count" -ge "$max" ] && break
    sum=$(md5sum <"$f" | cut -c1-32)
    [ -n "${seen[$sum]:-}" ] && continue
    seen[$sum]=1
    px=$(pixels "$f")
    [ "$px" -ge "$min_pixels" ] || continue
    colours=$(convert "$f[0]" -resize 400x400 -format '%k' info: 2>/dev/null || echo 0)
    [ "$colours" -ge 20000 ] || continue
    name=$(photo_name "$f")
    dst="$corpus/$name.jpg"
    [ -e "$dst" ] && continue
    convert "$f[0]" -strip -quality 92 "$dst" && count=$((count + 1))
  done < <(list_by_size '.*\.png')
fi

echo "corpus: $count pictures in $corpus"
find "$corpus" -name '*.jpg' -print0 | xargs -0 identify -ping -format '%wx%h\n' 2>/dev/null | sort | uniq -c | sort -rn | head -n 10
