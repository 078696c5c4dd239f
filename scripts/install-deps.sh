#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, playing and testing Lobshot need, and only
# those that are missing; given package names, only those of them that are missing. `--play` names
# only what building and playing the game need (no test kit), `--web` the web page's and the
# browser tests' packages (Emscripten, brotli, Chromium, Node.js and npm, nginx). A node or
# npm already on the machine, from whatever package, is used as it is. The package lists are
# fetched at most once an hour, so that several calls in a row update them once. Needs root or sudo
# when something is missing.
set -euo pipefail

play_packages=(g++ cmake ninja-build pkg-config libsdl2-dev libpng-dev libenet-dev libmosquitto-dev)
build_packages=("${play_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev mosquitto clang clang-format
                libclang-rt-dev xvfb xauth xdotool x11-apps dpkg-dev lintian appstream desktop-file-utils
                gettext)
# The deployed relay's test serves the page with Debian's nginx and trusts its own authority in
# Chromium's certificate store (certutil).
web_packages=(emscripten binaryen cmake make python3 brotli chromium nodejs npm mosquitto openssl nginx
              libnginx-mod-http-brotli-static libnginx-mod-http-brotli-filter libnss3-tools)

case "${1:-}" in
  "") packages=("${build_packages[@]}") ;;
  --play) packages=("${play_packages[@]}") ;;
  --web) packages=("${web_packages[@]}") ;;
  *) packages=("$@") ;;
esac
# Debian 12 names the clang runtime after its version.
if [[ " ${packages[*]} " == *" libclang-rt-dev "* ]] && ! apt-cache show libclang-rt-dev >/dev/null 2>&1; then
  packages=("${packages[@]/libclang-rt-dev/libclang-rt-14-dev}")
fi

missing=()
for p in "${packages[@]}"; do
  case $p in
    nodejs) command -v node >/dev/null && continue ;;
    npm) command -v npm >/dev/null && continue ;;
  esac
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
if [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*_Packages*' -mmin -60 2>/dev/null | head -n 1)" ]; then
  $sudo apt-get update -qq
fi
# Lists fetched within the hour may already be out of date: then once more after fetching them.
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null ||
  { $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}" >/dev/null; }
