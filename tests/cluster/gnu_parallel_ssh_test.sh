#!/usr/bin/env bash
# Runs README's GNU parallel lines, as they stand, against an sshd of the test's own on
# 127.0.0.1 (a free port, its own host and user keys and sshd_config, stopped at the end), over
# a generated archive: every text brought back beside its document must be the program's bytes,
# the failed runs listed, and nothing left in the login's home. Skipped unless root (the server
# logs in the user that runs it) with sshd, ssh, GNU parallel and rsync installed.
# Usage: gnu_parallel_ssh_test.sh PROGRAM README
set -euo pipefail
program=$(realpath -e -- "$1")
readme=$(realpath -e -- "$2")
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || skip "the test's sshd needs root (its privilege separation); not root"
for command in /usr/sbin/sshd ssh ssh-keygen parallel rsync; do
  command -v "$command" >/dev/null ||
    skip "no $command (openssh-server, openssh-client, parallel, rsync: scripts/deps-dist.sh)"
done

scratch=$(mktemp -d)
ssh_dir=$scratch/ssh
trap '[ ! -f "$ssh_dir/sshd.pid" ] || kill "$(cat "$ssh_dir/sshd.pid")" 2>/dev/null; rm -rf -- "$scratch"' EXIT
mkdir -p "$ssh_dir" /run/sshd
ssh-keygen -q -t ed25519 -N '' -C rtfplain-test-host -f "$ssh_dir/host_key"
ssh-keygen -q -t ed25519 -N '' -C rtfplain-test-user -f "$ssh_dir/user_key"
cp "$ssh_dir/user_key.pub" "$ssh_dir/authorized_keys"
port=$(free_port)
cat >"$ssh_dir/sshd_config" <<CONF
Port $port
ListenAddress 127.0.0.1
HostKey $ssh_dir/host_key
PidFile $ssh_dir/sshd.pid
AuthorizedKeysFile $ssh_dir/authorized_keys
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
UseDNS no
MaxStartups 100
CONF
echo "[127.0.0.1]:$port $(cut -d ' ' -f 1,2 "$ssh_dir/host_key.pub")" >"$ssh_dir/known_hosts"
/usr/sbin/sshd -f "$ssh_dir/sshd_config" -E "$ssh_dir/sshd.log" ||
  fail "sshd did not start: $(cat "$ssh_dir/sshd.log")"
ssh_command="ssh -p $port -i $ssh_dir/user_key -o UserKnownHostsFile=$ssh_dir/known_hosts"
ssh_command+=" -o StrictHostKeyChecking=yes -o BatchMode=yes"
login=$(id -un)@127.0.0.1
wait_for 20 $ssh_command "$login" true || fail "no ssh login: $(tail -n 5 "$ssh_dir/sshd.log")"
home_before=$($ssh_command "$login" 'ls -A' | grep -vx '.parallel' || true)

archive=$scratch/archive
make_archive "$program" "$archive" "$scratch/expected"
# Two runs at a time on the one machine.
echo "2/$ssh_command $login" >"$archive/machines"
readme_block "$readme" gnu-parallel |
  sed -e "s|/opt/rtfplain/rtfplain|$program|g" -e "s|/srv/archive|$archive|g" >"$scratch/runs.sh"
grep -q 'parallel -0' "$scratch/runs.sh" || fail "no GNU parallel lines found in $readme"
start=$SECONDS
(cd "$scratch" && timeout 600 bash "$scratch/runs.sh") >"$scratch/failed" 2>"$scratch/stderr" ||
  fail "the lines failed: $(cat "$scratch/stderr")"
echo "GNU parallel ran ${#documents[@]} documents and ${#failing[@]} failing ones in $((SECONDS - start)) s"

for document in "${documents[@]}"; do
  cmp -s "$scratch/expected/$document.txt" "$archive/$document.txt" ||
    fail "$document: not the program's text"
done
[ "$(wc -l <"$scratch/failed")" -eq "${#failing[@]}" ] || fail "failed runs: $(cat "$scratch/failed")"
for document in "${failing[@]}"; do
  [ ! -e "$archive/$document.txt" ] || fail "$document: a text for a failed run"
  grep -qF -- "$document" "$scratch/failed" || fail "$document not listed: $(cat "$scratch/failed")"
done
home_after=$($ssh_command "$login" 'ls -A' | grep -vx '.parallel' || true)
[ "$home_before" = "$home_after" ] || fail "left in the login's home: $home_after"
