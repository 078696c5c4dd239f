#!/usr/bin/env bash
# Builds the Debian package lobshot_VERSION_ARCH.deb with CPack: the game in /usr/games and the
# replay runner in /usr/lib/games/lobshot, the desktop entry, the icons, the manual page, the
# software centre's metainfo, the copyright file and the changelog, with dependencies worked out
# from the programs. The package's path is the last line printed.
#
# Usage: scripts/package.sh [BUILD_DIR [-DOPTION=VALUE...]]
#                                           a clean Release build into BUILD_DIR (default build-deb,
#                                           emptied first), without the tests, then the package; the
#                                           options are added to the configuration (as the
#                                           publishing options of packaging/Identity.cmake)
#        scripts/package.sh --from BUILD [OUT]
#                                           the package from BUILD as it is: a build configured with
#                                           the options below, tests or not (scripts/test.sh's);
#                                           CPack works in OUT (default BUILD/package) and leaves
#                                           the package there
#        scripts/package.sh --cmake-options those options, one a line: Debian's flags, its layout
#
# The package is the same, byte for byte, from one build of a commit to another, wherever the
# checkout lies and whatever the umask, time zone and locale: its files' times are the commit's
# (SOURCE_DATE_EPOCH, else the changelog's newest date outside git).
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's own compiler flags (hardening included) at -O2, without debugging information, and
# Debian's layout. What differs from a plain build (flags, install paths) is compiled into nothing
# the tests look at, so a build with these options serves the tests and the package alike.
cmake_options() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
  printf '%s\n' -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_C_FLAGS=$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games -DLOBSHOT_WERROR=ON
}

# Refuses a build that was configured otherwise: its package would not be Debian's.
check_configured() {
  local build=$1 option name value
  [ -f "$build/CMakeCache.txt" ] || { echo "package.sh: $build is not a configured build" >&2; exit 1; }
  while IFS= read -r option; do
    name=${option#-D}
    name=${name%%=*}
    value=${option#*=}
    grep -qxF "$name:$(sed -n "s/^$name:\([A-Z]*\)=.*/\1/p" "$build/CMakeCache.txt")=$value" \
      "$build/CMakeCache.txt" || { echo "package.sh: $build was not configured with $option" >&2; exit 1; }
  done < <(cmake_options)
}

# The time every file of the package carries: the commit's, unless the caller set one.
source_date_epoch() {
  local build=$1
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  elif git rev-parse --git-dir >/dev/null 2>&1; then
    git log -1 --format=%ct
  else
    dpkg-parsechangelog -l "$build/generated/changelog" -STimestamp
  fi
}

# Packs a configured build in OUT, building what is out of date first.
pack() {
  local build out
  build=$(realpath "$1")
  out=$(realpath -m "${2:-$1/package}")
  cmake --build "$build" -j"$(nproc)" >&2
  mkdir -p "$out"
  rm -rf "$out"/lobshot_*.deb "$out/_CPack_Packages"
  # CPack gives the archive's members the modes the umask leaves (StageDeb.cmake sets the files').
  (umask 0022 && SOURCE_DATE_EPOCH=$(source_date_epoch "$build") \
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >&2)
  rm -rf "$out/_CPack_Packages"
  ls "$out"/lobshot_*.deb
}

case "${1:-}" in
  --cmake-options)
    cmake_options
    ;;
  --from)
    [ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: scripts/package.sh --from BUILD_DIR [OUT_DIR]" >&2; exit 2; }
    check_configured "$2"
    pack "$2" "${3:-}"
    ;;
  *)
    build=${1:-build-deb}
    shift $(($# > 0 ? 1 : 0))
    # Only what building the package needs: the compiler, the libraries and Debian's tools.
    scripts/install-deps.sh g++ cmake ninja-build pkg-config libsdl2-dev libpng-dev libenet-dev \
      libmosquitto-dev dpkg-dev file >&2
    rm -rf "$build"
    mapfile -t options < <(cmake_options)
    cmake -S . -B "$build" -G Ninja "${options[@]}" -DLOBSHOT_BUILD_TESTS=OFF -DLOBSHOT_BUILD_BENCH=OFF "$@" >/dev/null
    pack "$build" "$build"
    ;;
esac
