#!/bin/bash
# The GNU parallel recipe of the README on this machine (-S : runs the
# shards here instead of over SSH): 4 shards and --finish write the bytes one
# kuvo-batch run writes. Exit 77 (skipped) when parallel is not installed.
#
#   parallel_shards.sh KUVO_BATCH
set -uo pipefail
kuvo=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in parallel convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/bootstrap installs it)"; exit 77; }
done
T=$(mktemp -d /tmp/kuvo-parallel.XXXXXX)
trap 'rm -rf "$T"' EXIT
source "$(dirname "$0")/cluster_common.sh"
make_pictures 40 17 || fail "could not make the test pictures"
write_job

parallel --will-cite -S : "$kuvo" --quiet --job "$T/job.ini" "${options[@]}" --files-from "$T/list.txt" -o "$T/cluster" \
  --shard {}/4 ::: 0 1 2 3
"$kuvo" --quiet --finish "$T/cluster"
[ $? -eq 1 ] || fail "--finish should exit 1 for the broken picture"
"$kuvo" --quiet --job "$T/job.ini" "${options[@]}" --files-from "$T/list.txt" -o "$T/one"
problem=$(same_outputs "$T/one" "$T/cluster") || fail "$problem"
echo "PASS: 4 shards under GNU parallel and --finish wrote the bytes of one run"
