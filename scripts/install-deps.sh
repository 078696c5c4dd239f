#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, playing and testing Lobshot need, and only
# those that are missing; given package names, only those of them that are missing. Needs root or
# sudo when something is missing.
set -euo pipefail

if [ $# -gt 0 ]; then
  packages=("$@")
else
  packages=(g++ cmake ninja-build pkg-config libsdl2-dev libpng-dev libgtest-dev libgmock-dev
            libbenchmark-dev libenet-dev clang clang-format libclang-rt-dev xvfb xauth xdotool x11-apps
            dpkg-dev lintian appstream desktop-file-utils)
  # Debian 12 names the clang runtime after its version.
  if ! apt-cache show libclang-rt-dev >/dev/null 2>&1; then
    packages=("${packages[@]/libclang-rt-dev/libclang-rt-14-dev}")
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
else
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
