#!/usr/bin/env bash
# Installs what building and playing need and is missing, builds Lobshot and starts the game. A
# build folder made here leaves out the tests and benchmarks (the test command turns them on).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --play
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLOBSHOT_BUILD_TESTS=OFF \
        -DLOBSHOT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build build --target lobshot
exec build/lobshot "$@"
