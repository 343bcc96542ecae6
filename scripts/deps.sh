#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing.
# Usage: scripts/deps.sh [extra-package ...]
set -euo pipefail

# bindfs: a FUSE file system without nameless files, for the output's fallback test.
packages=(cmake ninja-build g++ libgtest-dev pkg-config time bindfs "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "Please install: ${missing[*]}" >&2; exit 1
  fi
}
export DEBIAN_FRONTEND=noninteractive
run_as_root apt-get update -qq
# Another install may be under way (parallel builds on one machine): wait for its lock.
run_as_root apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
