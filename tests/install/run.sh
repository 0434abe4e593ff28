#!/usr/bin/env bash
# Installs the Debian package on this machine, uses the installed programs as
# a user would (kuvo-batch as root and as nobody, the window under a private
# Xvfb), then removes the package and checks nothing of it is left.
# Needs root; run by `make check` (so by CI) after the unit tests.
# usage: tests/install/run.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
started=$SECONDS

if [ "$(id -u)" -ne 0 ]; then
  echo "install test: SKIPPED (it installs the package and needs root; CI runs it as root)"
  exit 0
fi

# One run at a time on a machine; dpkg's own lock is waited for below.
exec 9>/tmp/kuvo-install-test.lock
flock 9

if dpkg-query -W -f='${Status}' kuvo 2>/dev/null | grep -q installed || [ -e /usr/bin/kuvo ] || [ -e /usr/share/kuvo ]; then
  echo "install test: FAILED to start: kuvo is already installed here; remove it first (apt-get purge kuvo)"
  exit 1
fi

tmp=$(mktemp -d /tmp/kuvo-install-test.XXXXXX)
chmod 755 "$tmp"
installed=0
xvfb_pid=
strace_pid=
apt_options=(-y -qq --no-install-recommends -o DPkg::Lock::Timeout=120)

# strace outlives a SIGTERM of its own while the program runs, so the window
# is stopped first; strace also forks short-lived helpers of its own, so the
# program is the child whose name is kuvo.
traced_kuvo() {
  local p
  for p in $(cat /proc/"$strace_pid"/task/*/children 2>/dev/null); do
    [ "$(cat "/proc/$p/comm" 2>/dev/null)" = kuvo ] && echo "$p"
  done
}
stop_traced_kuvo() {
  local p
  for p in $(traced_kuvo); do kill "$p" 2>/dev/null || true; done
  for _ in $(seq 50); do kill -0 "$strace_pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$strace_pid" 2>/dev/null || true
  wait "$strace_pid" 2>/dev/null || true
  strace_pid=
}

cleanup() {
  local rc=$?
  set +e # every step of the clean-up runs, whatever fails
  [ -n "$strace_pid" ] && stop_traced_kuvo
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "$installed" = 1 ] && dpkg-query -W kuvo >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=120 kuvo >/dev/null || rc=1
    for path in /usr/bin/kuvo /usr/bin/kuvo-batch /usr/share/kuvo /usr/share/applications/kuvo.desktop; do
      [ -e "$path" ] && { echo "install test: $path is left after removing the package"; rc=1; }
    done
  fi
  rm -rf "$tmp"
  [ $rc -eq 0 ] && echo "install test: passed in $((SECONDS - started)) s" || echo "install test: FAILED"
  exit $rc
}
trap cleanup EXIT

fail() { echo "install test: $*" >&2; exit 1; }

# --- the package ---
rm -f "$build"/kuvo_*.deb
cmake --build "$build" --target package >"$tmp/package.log" 2>&1 || { tail -n 30 "$tmp/package.log"; fail "make package failed"; }
debs=("$build"/kuvo_*_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one kuvo_<version>_<arch>.deb in $build, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "kuvo_${version}_$(dpkg --print-architecture).deb" ] || fail "unexpected file name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6widgets6 libqt6gui6; do # found by dpkg-shlibdeps in the programs
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# Everything the package needs is already on a machine that builds it; the
# test installs nothing else, so it stays off the network and leaves no
# other package behind.
others=$(apt-get install -s "${apt_options[@]}" "$deb" 2>&1 | awk '/^Inst / && $2 != "kuvo" {print $2}')
[ -z "$others" ] || fail "the package would also install: $others (install them first)"
installed=1 # from here on the package is removed again, even half installed
DEBIAN_FRONTEND=noninteractive apt-get install "${apt_options[@]}" "$deb" >"$tmp/apt.log" 2>&1 \
  || { cat "$tmp/apt.log"; fail "apt-get install $deb failed"; }

for path in /usr/bin/kuvo /usr/bin/kuvo-batch /usr/share/kuvo/size.ini /usr/share/kuvo/ReadMe.txt \
  /usr/share/kuvo/bk /usr/share/kuvo/sy /usr/share/kuvo/skin /usr/share/applications/kuvo.desktop \
  /usr/share/icons/hicolor/scalable/apps/kuvo.svg /usr/share/icons/hicolor/256x256/apps/kuvo.png \
  /usr/share/metainfo/invalid.kuvo.Kuvo.metainfo.xml /usr/share/bash-completion/completions/kuvo-batch \
  /usr/share/man/man1/kuvo-batch.1.gz /usr/share/man/zh_CN/man1/kuvo-batch.1.gz /usr/share/doc/kuvo/copyright; do
  [ -e "$path" ] || fail "$path is not installed"
done
[ -e /usr/share/kuvo/samples ] && fail "the demo pictures are installed"
if [ -e "$source_dir/data/links.ini" ] && [ ! -e /usr/share/kuvo/links.ini ]; then fail "links.ini is not installed"; fi

# --- kuvo-batch from /usr/bin ---
/usr/bin/kuvo-batch --version | grep -qF "$version" || fail "kuvo-batch --version does not say $version"

mkdir -p "$tmp/in" "$tmp/root-home" "$tmp/user-home"
cp "$source_dir/data/samples/sunset_landscape.jpg" "$source_dir/data/samples/tall_forest.jpg" "$tmp/in/"
chmod -R a+rX "$tmp/in"
chown nobody "$tmp/user-home"
preset=$(grep -m1 -v '^[[:space:]]*$' /usr/share/kuvo/size.ini | cut -d';' -f1)
first_border=$(find /usr/share/kuvo/bk -name '*.png' | sort | head -n 1)

# A preset of the installed size.ini and an installed border; no -o, so the
# pictures go to the default output folder, which must be in the per-user
# folder even for root, who may write into /usr/bin.
run_batch() { # user home
  runuser -u "$1" -- env -i PATH=/usr/bin:/bin HOME="$2" LANG=C.UTF-8 \
    /usr/bin/kuvo-batch --quiet --size "$preset" --border "$first_border" "$tmp/in"
}
run_batch root "$tmp/root-home" || fail "kuvo-batch as root failed"
run_batch nobody "$tmp/user-home" || fail "kuvo-batch as nobody failed"
for home in root-home user-home; do
  out="$tmp/$home/.local/share/kuvo/zp"
  [ -s "$out/sunset_landscape.jpg" ] && [ -s "$out/tall_forest.jpg" ] || fail "no pictures in $out: $(ls -R "$tmp/$home")"
done
preset_size=$(grep -m1 -v '^[[:space:]]*$' /usr/share/kuvo/size.ini | cut -d';' -f2,3 | tr ';' x)
[ "$(identify -format %wx%h "$tmp/root-home/.local/share/kuvo/zp/sunset_landscape.jpg")" = "$preset_size" ] \
  || fail "the picture does not have the size of preset $preset ($preset_size)"

# --- the window from /usr/bin, as nobody, under a private X server ---
# strace shows which data files the window opens.
strace -qq -o /dev/null true 2>/dev/null || fail "strace cannot trace here (is ptrace forbidden?)"
Xvfb -displayfd 8 -nolisten tcp -screen 0 1280x800x24 8>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
display=:$(cat "$tmp/display")

strace -f -qq -e trace=open,openat -o "$tmp/kuvo.trace" -u nobody \
  env -i PATH=/usr/bin:/bin HOME="$tmp/user-home" LANG=C.UTF-8 DISPLAY="$display" \
  /usr/bin/kuvo "$tmp/in/sunset_landscape.jpg" >"$tmp/kuvo.log" 2>&1 &
strace_pid=$!
user_data="$tmp/user-home/.local/share/kuvo"
for _ in $(seq 300); do
  [ -d "$user_data/zp" ] && [ -d "$user_data/user" ] && break
  kill -0 "$strace_pid" 2>/dev/null || fail "kuvo ended at start: $(cat "$tmp/kuvo.log")"
  sleep 0.1
done
[ -d "$user_data/zp" ] && [ -d "$user_data/user" ] || fail "kuvo made no zp and user in $user_data"
sleep 1 # the window draws
import -display "$display" -window root "$build/install-test-window.png" 2>/dev/null || true
grep -q '"/usr/share/kuvo/skin/[^"]*\.she"' "$tmp/kuvo.trace" || fail "kuvo did not open a skin of /usr/share/kuvo/skin"
grep -q '"/usr/share/kuvo/bk"' "$tmp/kuvo.trace" || fail "kuvo did not list the borders of /usr/share/kuvo/bk"
grep -q '"/usr/share/kuvo/size.ini"' "$tmp/kuvo.trace" || fail "kuvo did not read /usr/share/kuvo/size.ini"
[ -n "$(traced_kuvo)" ] || fail "kuvo ended while starting: $(cat "$tmp/kuvo.log")"
stop_traced_kuvo

# Nobody wrote beside the installed programs.
for path in /usr/bin/zp /usr/bin/user /usr/share/kuvo/zp /usr/share/kuvo/user; do
  [ -e "$path" ] && fail "$path was created"
done

desktop-file-validate /usr/share/applications/kuvo.desktop || fail "the installed desktop entry is not valid"
appstream-util validate-relax --nonet /usr/share/metainfo/invalid.kuvo.Kuvo.metainfo.xml >/dev/null \
  || fail "the installed AppStream file is not valid"
man -w kuvo-batch >/dev/null && LANG=C.UTF-8 man -w -L zh_CN kuvo-batch | grep -q zh_CN \
  || fail "man does not find the installed man pages"
