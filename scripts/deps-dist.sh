#!/usr/bin/env bash
# Installs what the Linux packages' checks and the cluster recipes' tests need on top of
# scripts/deps.sh: rpm and debootstrap (the .deb and .rpm checks), Slurm with munge, GNU parallel
# with an ssh server and rsync, and dask.distributed. Their services are only ever started by the
# tests, on their own terms: a policy-rc.d keeps the packages' scripts from starting them.
set -euo pipefail
policy=/usr/sbin/policy-rc.d
made_policy=
if [ "$(id -u)" -eq 0 ] && [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && made_policy=1
fi
trap '[ -z "$made_policy" ] || rm -f "$policy"' EXIT
"$(dirname "$0")/deps.sh" rpm debootstrap dpkg-dev slurm-wlm munge parallel openssh-server \
  openssh-client rsync python3-distributed python3-venv
