#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the packaging checks and
# the demo need, only those that are missing.
set -euo pipefail
packages=(g++ cmake ninja-build python3 binutils clang lld llvm-22-dev llvm-22-tools libzstd-dev
          libgtest-dev libgmock-dev libbenchmark-dev groff-base dpkg-dev file pkgconf
          libmimalloc-dev)   # for memspace_bench's comparison only: no library links it
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
