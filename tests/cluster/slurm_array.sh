#!/bin/bash
# A one-node Slurm cluster on 127.0.0.1 (munged, slurmctld and slurmd with
# their state in a temporary folder) runs a 4-task kuvo-batch array over 200
# pictures through scripts/slurm/kuvo-submit, and its outputs, error log and
# PDF must be the bytes one kuvo-batch run writes. Every daemon is stopped
# by its process id. Exit 77 (skipped) only when the daemons cannot start.
#
#   slurm_array.sh KUVO_BATCH SOURCE_DIR
set -uo pipefail
kuvo=$1 src=$2
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

for tool in munged mungekey slurmctld slurmd sbatch squeue sinfo convert python3; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/bootstrap installs slurm-wlm and munge)"
done
[ "$(id -u)" -eq 0 ] || skip "slurmd needs root to start jobs"

T=$(mktemp -d /tmp/kuvo-slurm.XXXXXX)
pids=()
stop_daemons() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    # slurmd ignores TERM while it is still trying to register.
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$T"
}
trap stop_daemons EXIT
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

source "$(dirname "$0")/cluster_common.sh"
make_pictures 200 100 || fail "could not make the 200 test pictures"
write_job

# munge and Slurm, on loopback, everything in $T.
mungekey --create --keyfile="$T/munge.key" || skip "mungekey cannot make a key"
munged -F --force --socket="$T/munge.socket" --key-file="$T/munge.key" --pid-file="$T/munged.pid" \
  --log-file="$T/munged.log" --seed-file="$T/munge.seed" >/dev/null 2>&1 &
pids+=($!)
mkdir -p "$T/state" "$T/spool"
cat > "$T/slurm.conf" <<CONF
ClusterName=kuvotest
SlurmctldHost=$(hostname -s)(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$T/munge.socket
StateSaveLocation=$T/state
SlurmdSpoolDir=$T/spool
SlurmctldPidFile=$T/slurmctld.pid
SlurmdPidFile=$T/slurmd.pid
SlurmctldLogFile=$T/slurmctld.log
SlurmdLogFile=$T/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SlurmdParameters=config_overrides
ReturnToService=2
MpiDefault=none
SwitchType=switch/none
MailProg=/bin/true
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=kuvonode NodeAddr=127.0.0.1 CPUs=4 State=UNKNOWN
PartitionName=kuvo Nodes=kuvonode Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$T/slurm.conf
for _ in $(seq 1 50); do [ -S "$T/munge.socket" ] && break; sleep 0.1; done
[ -S "$T/munge.socket" ] || skip "munged did not start: $(tail -n 3 "$T/munged.log" 2>/dev/null)"
slurmctld -D -i -f "$T/slurm.conf" >"$T/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -N kuvonode -f "$T/slurm.conf" >"$T/slurmd.out" 2>&1 &
pids+=($!)
started=0
for _ in $(seq 1 100); do
  sinfo -h -o %T 2>/dev/null | grep -q '^idle' && { started=1; break; }
  sleep 0.2
done
[ $started -eq 1 ] || skip "Slurm did not start: $(tail -n 3 "$T/slurmctld.log" "$T/slurmd.log" 2>/dev/null)"

# The cluster run, through the script the README gives: submits, waits for
# the finish job and leaves its final state in $state.
export KUVO_BATCH=$kuvo
submit() {
  read -r array finish < <("$src/scripts/slurm/kuvo-submit" "$T/list.txt" "$T/cluster" "$T/job.ini" 4 "${options[@]}" "$@") ||
    fail "kuvo-submit failed"
  state=
  for _ in $(seq 1 600); do
    state=$(squeue -h -j "$finish" -t all -o %T 2>/dev/null)
    case $state in COMPLETED | FAILED | CANCELLED* | TIMEOUT | NODE_FAIL | OUT_OF_MEMORY) break ;; esac
    sleep 0.25
  done
}
submit
# One picture is broken: its task and the finish job report it, the finish still ran.
[ "$state" = FAILED ] || fail "finish job ended $state, expected FAILED for the broken picture: $(cat "$T"/cluster/slurm-*-finish.out)"
tasks=$(squeue -h -j "$array" -t all -o '%K %T' | sort)
[ "$tasks" = $'0 FAILED\n1 COMPLETED\n2 COMPLETED\n3 COMPLETED' ] || fail "array tasks: $tasks"

# One run over the same list.
"$kuvo" --quiet --job "$T/job.ini" "${options[@]}" --files-from "$T/list.txt" -o "$T/one"
[ $? -eq 1 ] || fail "the one run should exit 1 for the broken picture"

problem=$(same_outputs "$T/one" "$T/cluster") || fail "$problem"
[ "$(ls "$T/one" | grep -c '^Foto_')" -eq 199 ] || fail "expected 199 pictures"

# Task 2 was lost half-way: no results file, half of its pictures (entries
# 2, 10, 18, ...) gone. The job submitted again with --existing skip makes
# only those and ends with the same files; what was left is not rewritten.
rm "$T/cluster/kuvo-results-2-of-4.jsonl"
for i in $(seq 2 4 199); do
  if [ $((i % 8)) -eq 2 ]; then rm "$T/cluster"/Foto_$(printf %04d "$i").*; else touch -d 2001-01-01 "$T/cluster"/Foto_$(printf %04d "$i").*; fi
done
rm "$T"/cluster/slurm-*
submit --existing skip
[ "$state" = FAILED ] || fail "resumed finish job ended $state: $(cat "$T"/cluster/slurm-*-finish.out)"
problem=$(same_outputs "$T/one" "$T/cluster") || fail "after resuming: $problem"
[ "$(find "$T/cluster" -name 'Foto_*' ! -newermt 2002-01-01 | wc -l)" -eq 25 ] || fail "the resumed job rewrote pictures it had"
echo "PASS: 4-task Slurm array and finish job, and the job resumed after a lost task, wrote the bytes of one run ($(ls "$T/one" | wc -l) files)"
