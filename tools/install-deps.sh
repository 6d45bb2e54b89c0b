#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing; given package names, installs
# those instead (the benchmark's own needs, say).
set -euo pipefail

# clang and libclang-rt-14-dev (its 32-bit libFuzzer and sanitizer runtimes) build the fuzzer;
# EDFlib reads outputs back in the tests, and the tests compare BioSig's reading of WFDB records with
# sgfilter's, in their 32-bit builds. cpp-httplib serves `sgfilter view` (Debian builds it as a library, so its i386 build);
# the page's chart comes from the npm registry at build time, and its browser test drives Chromium.
# Snakemake runs the cohort workflow; its test starts a one-node SLURM cluster (slurmctld, slurmd,
# authenticated by munge) on this machine, in a network namespace of its own set up with iproute2.
packages=(cmake make g++ g++-multilib lib32asan8 lib32ubsan1 googletest nlohmann-json3-dev libcli11-dev libfmt-dev qemu-user
          clang libclang-rt-14-dev libedf-dev:i386 libbiosig-dev:i386 libcpp-httplib-dev:i386 chromium
          snakemake slurm-wlm munge iproute2)
# Node may come from elsewhere than Debian; any npm on the path serves.
command -v npm >/dev/null || packages+=(nodejs npm)
[ $# -gt 0 ] && packages=("$@")

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Run as root, or install: ${missing[*]}" >&2; exit 1; }
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
# The EDF libraries are linked into the 32-bit programs and tests, so their i386 builds are needed.
if [[ "${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves index files that fail their checks for a minute or so:
# try again, then install from what did arrive (the install says clearly what it cannot find).
for attempt in 1 2 3 4 5; do
  $SUDO apt-get update -qq && break
  [ "$attempt" -lt 5 ] || break
  echo "apt-get update failed (attempt $attempt); trying again" >&2
  sleep 20
done
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
