#!/usr/bin/env bash
# Runs README's Slurm job array, as it stands, on a Slurm of the test's own: munged, slurmctld
# and slurmd as root, one node with this machine's CPUs, all state in a scratch folder, stopped
# at the end. The array converts a generated archive of several top-level folders with README's
# convert-tree.sh; every output must be the program's, and the failures reported: sbatch's exit
# status and each task's log. Skipped unless root with Slurm and munge installed.
# Usage: slurm_job_array_test.sh PROGRAM README
set -euo pipefail
program=$(realpath -e -- "$1")
readme=$(realpath -e -- "$2")
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || skip "Slurm's daemons run as root here (SlurmUser=root); not root"
for command in munged mungekey slurmctld slurmd sbatch scontrol; do
  command -v "$command" >/dev/null ||
    skip "no $command (Debian's slurm-wlm and munge: scripts/deps-dist.sh)"
done

scratch=$(mktemp -d)
# munged wants every folder above its socket searchable by all.
chmod 755 "$scratch"
slurm=$scratch/slurm
mkdir -p "$slurm/run" "$slurm/state" "$slurm/spool" "$slurm/log" "$slurm/munge"
chmod 700 "$slurm/munge"
stop() {
  local pidfile pid
  for pidfile in "$slurm/run/slurmd.pid" "$slurm/run/slurmctld.pid" "$slurm/run/munged.pid"; do
    pid=$(cat "$pidfile" 2>/dev/null) || continue
    kill "$pid" 2>/dev/null || continue
    for ((i = 0; i < 100; ++i)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  rm -rf -- "$scratch"
}
trap stop EXIT

mungekey -c -k "$slurm/munge/munge.key"
munged --key-file="$slurm/munge/munge.key" --socket="$slurm/run/munge.socket" \
  --pid-file="$slurm/run/munged.pid" --log-file="$slurm/log/munged.log" \
  --seed-file="$slurm/munge/munged.seed" || fail "munged did not start"
node=$(hostname -s)
cat >"$slurm/slurm.conf" <<CONF
ClusterName=rtfplain-test
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$slurm/run/munge.socket
CredType=cred/munge
StateSaveLocation=$slurm/state
SlurmdSpoolDir=$slurm/spool
SlurmctldPidFile=$slurm/run/slurmctld.pid
SlurmdPidFile=$slurm/run/slurmd.pid
SlurmctldLogFile=$slurm/log/slurmctld.log
SlurmdLogFile=$slurm/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$slurm/slurm.conf
slurmctld -i || fail "slurmctld did not start: $(tail -n 5 "$slurm/log/slurmctld.log")"
slurmd || fail "slurmd did not start: $(tail -n 5 "$slurm/log/slurmd.log")"
idle() { sinfo -h -N -o %t | grep -qx idle; }
wait_for 30 idle || fail "the node is not idle: $(sinfo -N; tail -n 5 "$slurm/log/slurmd.log")"

archive=$scratch/archive out=$scratch/out
make_archive "$program" "$archive" "$scratch/expected"
mkdir "$out"
readme_block "$readme" convert-tree.sh >"$out/convert-tree.sh"
# README's lines with this test's program and archive, one CPU a task so tasks run side by side.
readme_block "$readme" slurm-job-array |
  sed -e "s|/opt/rtfplain/rtfplain|$program|g" -e "s|/srv/archive|$archive|g" \
      -e 's|--cpus-per-task=16|--cpus-per-task=1|' >"$scratch/job.sh"
grep -q 'sbatch' "$scratch/job.sh" || fail "no Slurm lines found in $readme"
status=0
start=$SECONDS
(cd "$out" && timeout 300 bash "$scratch/job.sh") >"$scratch/job.log" 2>&1 || status=$?
echo "the job array ran in $((SECONDS - start)) s"
[ "$status" -eq 1 ] || fail "exit status $status, expected 1: $(cat "$scratch/job.log")"

# Each failure in the log of its folder's task, under its name within the folder.
mapfile -t folders <"$out/folders.txt"
[ "${#folders[@]}" -eq "$(find "$archive" -mindepth 1 -maxdepth 1 -type d | wc -l)" ] ||
  fail "folders.txt: ${folders[*]}"
for document in "${failing[@]}"; do
  top=${document%%/*}
  for ((task = 1; task <= ${#folders[@]}; ++task)); do [ "${folders[task - 1]}" = "$top" ] && break; done
  log=$(compgen -G "$out/slurm-*_$task.out") || fail "no log of task $task ($top)"
  grep -qxF -- "${document#*/}" "$log" || fail "$document not listed in $log: $(cat "$log")"
done
mkdir "$scratch/aside"
mv "$out/convert-tree.sh" "$out/folders.txt" "$out"/slurm-*.out "$scratch/aside/"
diff -r "$scratch/expected" "$out" >"$scratch/diff" || fail "outputs differ: $(head "$scratch/diff")"
echo "converted ${#documents[@]} documents in ${#folders[@]} tasks, ${#failing[@]} reported"
