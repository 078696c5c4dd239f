#!/usr/bin/env bash
# Builds the Debian package lobshot_VERSION_ARCH.deb with CPack from a clean Release build: the game
# and the replay runner in /usr/games, the desktop entry, the icons, the manual page, the software
# centre's metainfo, the copyright file and the changelog, with dependencies worked out from the
# programs. Usage: scripts/package.sh [BUILD_DIR] (default build-deb, emptied first); the package's
# path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
scripts/install-deps.sh >&2

# Debian's own compiler flags (hardening included) at -O2, without debugging information.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
      -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
      -DLOBSHOT_WERROR=ON -DLOBSHOT_BUILD_TESTS=OFF -DLOBSHOT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
(cd "$build" && cpack -G DEB >&2)

package=$(ls "$build"/lobshot_*.deb)
echo "$package"
