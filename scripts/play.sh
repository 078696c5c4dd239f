#!/usr/bin/env bash
# Installs what is missing, builds Lobshot and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target lobshot
exec build/lobshot "$@"
