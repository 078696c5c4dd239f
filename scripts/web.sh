#!/usr/bin/env bash
# Builds the game as a web page with Debian's Emscripten, installing it if missing, into build-web/
# and there into site/ the folder to publish (index.html, index.js and index.wasm, every resource
# inside the WebAssembly; the manifest, icons and service worker; gzip and brotli copies), puts the
# MQTT client that joins online rooms beside the page in both (mqtt.min.js: the mqtt package's
# browser build, installed from the npm registry into build-web/node_modules if missing), and serves
# site/ on http://127.0.0.1:8000/ until interrupted.
#
# Usage: scripts/web.sh [--no-serve] [--tools BUILD]
#   --no-serve     only builds
#   --tools BUILD  runs the picture, data-table and sine generators of BUILD, a native build of the
#                  same sources with them built, rather than compiling them to WebAssembly: they
#                  make the same bits either way (see cmake/Resources.cmake)
set -euo pipefail
cd "$(dirname "$0")/.."

serve=1
tools=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-serve) serve=0; shift ;;
    --tools) [ $# -ge 2 ] || { echo "usage: scripts/web.sh [--no-serve] [--tools BUILD]" >&2; exit 2; }
             tools=$(realpath "$2"); shift 2 ;;
    *) echo "usage: scripts/web.sh [--no-serve] [--tools BUILD]" >&2; exit 2 ;;
  esac
done

# Debian's Emscripten 3.1.6 and what building with it takes.
scripts/install-deps.sh emscripten binaryen cmake make python3 brotli

# Debian's emcc finds its JavaScript helpers only among Debian's Node modules when the system's
# node is another one; the build-time tools run under that node.
export NODE_PATH=/usr/share/nodejs
cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node)" -DLOBSHOT_HOST_TOOLS="$tools" -DLOBSHOT_PCH=ON >/dev/null
nice -n 10 cmake --build build-web -j"$(nproc)"
scripts/install-mqtt-client.sh
cp build-web/node_modules/mqtt/dist/mqtt.min.js build-web/mqtt.min.js
cp build-web/mqtt.min.js build-web/site/mqtt.min.js
gzip -9 -n -k -f build-web/site/mqtt.min.js
brotli -f -k build-web/site/mqtt.min.js

if [ "$serve" -eq 1 ]; then
  echo "Lobshot is on http://127.0.0.1:8000/ (Ctrl+C stops it)"
  exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/site
fi
