#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test, timing each stage and printing a table
# of them at the end:
#   - the formatting and platform-isolation checks;
#   - one warning-free build with Debian's flags that serves the unit, scenario, replay and network
#     tests, the real window's smoke test, the Debian package (made from it, unpacked into a scratch
#     root and run, and made again elsewhere to the same bytes) and the browser tests' replay runner;
#   - one build with clang under AddressSanitizer and UndefinedBehaviorSanitizer that runs the tests
#     again and the game with its sound, and whose libraries the fuzz targets link for a short fuzz
#     run of each;
#   - the web page, built with Emscripten from the resources the first build generated, in headless
#     Chromium against the replay runner.
# Stages that mostly wait run beside those that compute, compiling at a lower priority than tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stages.sh

jobs=$(nproc)
# The game saves a replay of every run; the tests' runs go to a folder of their own, not the home.
XDG_DATA_HOME=$(mktemp -d)
export XDG_DATA_HOME
trap 'rm -rf "$XDG_DATA_HOME"' EXIT

# Leaks inside system libraries (D-Bus, sound servers, X11) are suppressed by library name; a leak
# of ours still fails.
lsan_options=suppressions="$PWD/scripts/lsan.supp":print_suppressions=0

# Nothing may hang the test command: a command still running after its limit is ended, with every
# process it started, and fails with a line that says so. The limits are several times the usual.
within() {
  local seconds=$1 status=0
  shift
  timeout --kill-after=20 "$seconds" "$@" || status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "Ended after $seconds s, its limit: $*" >&2
  fi
  return "$status"
}

check_backends() {
  local library folders
  while read -r library folders; do
    if grep -rlE "#include *[<\"]$library" --include='*.cpp' --include='*.h' . | grep -vE "^\./($folders|build)"; then
      echo "$library is included outside $folders"
      exit 1
    fi
  done <<'LIST'
SDL platform/sdl/|tests/platform/sdl/
enet/ net/enet/
mosquitto net/mqtt/|tests/net/mqtt/
mqtt_protocol net/mqtt/|tests/net/mqtt/
emscripten platform/web/
LIST
}

# The tests and the package share one build, with Debian's flags and layout.
build_plain() {
  local options
  mapfile -t options < <(scripts/package.sh --cmake-options)
  cmake -S . -B build -G Ninja "${options[@]}" -DLOBSHOT_BUILD_TESTS=ON -DLOBSHOT_BUILD_BENCH=ON \
        -DLOBSHOT_PCH=ON >/dev/null
  nice -n 10 cmake --build build -j"$jobs"
}

# Many tests wait on timers, processes and virtual displays: more of them run than there are cores.
tests_plain() {
  within 900 ctest --test-dir build --output-on-failure --timeout 600 -j$((jobs * 2))
}

smoke_test() {
  within 300 scripts/smoke-test.sh build/lobshot
}

package() {
  local deb
  deb=$(within 600 scripts/package.sh --from build | tail -n 1)
  within 600 scripts/test-package.sh "$deb" build
}

# The game's code at -O1 with libFuzzer's coverage (the fuzz targets link it), the tests' own at -O0,
# with the line tables that the sanitizers' reports need and no more debugging information; the
# resources are made by the first build's generators, as for the web page.
build_sanitized() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
        -DCMAKE_C_FLAGS_DEBUG=-gline-tables-only -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only \
        -DCMAKE_CXX_COMPILER=clang++ -DLOBSHOT_WERROR=ON -DLOBSHOT_SANITIZE=ON -DLOBSHOT_FUZZ_LIBRARIES=ON \
        -DLOBSHOT_PCH=ON -DLOBSHOT_BUILD_BENCH=OFF -DLOBSHOT_HOST_TOOLS="$PWD/build" >/dev/null
  nice -n 10 cmake --build build-asan -j"$jobs"
}

# Tests labelled plain_build_only (whole matches of computers, and long waits of several machines,
# minutes each at sanitizer speed) run in the plain build only; the same code runs here in shorter
# cases.
tests_sanitized() {
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="$lsan_options" \
    within 900 nice -n 10 ctest --test-dir build-asan --output-on-failure --timeout 600 -j$((jobs * 2)) \
      -LE '^plain_build_only$'
}

# Its virtual display is sought from :200 up, clear of those of the tests beside it (from :99 up):
# xvfb-run -a can give two started at once the same display.
game_sanitized() {
  within 120 env -u SDL_AUDIODRIVER ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="$lsan_options" \
    xvfb-run -a -n 200 bash -c '"$0" >/dev/null & pid=$!; sleep 2; kill -TERM $pid; wait $pid' build-asan/lobshot
}

# Two fuzz targets at a time, one a core, each for its 8 s.
fuzz() {
  local logs status=0
  logs=$(mktemp -d)
  within 600 fuzz/run.sh --libraries build-asan build-fuzz 8 wave bitmap script relay >"$logs/1" 2>&1 &
  local first=$!
  within 600 fuzz/run.sh --libraries build-asan build-fuzz 8 table net replay >"$logs/2" 2>&1 &
  local second=$!
  wait "$first" || status=1
  wait "$second" || status=1
  cat "$logs/1" "$logs/2"
  rm -rf "$logs"
  return "$status"
}

# The browser tests run only on a page built whole; the build's time is printed apart.
web_page() {
  local start=$SECONDS
  within 900 scripts/web.sh --no-serve --tools build
  echo "The web page was built in $((SECONDS - start)) s."
  within 900 tests/page/run.sh
}

install_web() {
  within 900 scripts/install-deps.sh --web
  within 600 tests/page/run.sh --install
}

stage "Installing what is missing" -- scripts/install-deps.sh
[ "${stage_result[Installing what is missing]}" = passed ] || { stage_summary; exit 1; }
stage_start "Installing the web build's and browser tests' tools" -- install_web
stage "Formatting" -- scripts/check-format.sh
stage "SDL, ENet, libmosquitto and Emscripten only in their backends" -- check_backends
stage "Every subsystem depends only on those beneath it" -- scripts/check-layers.sh

stage "Build with Debian's flags (warnings are errors)" -- build_plain
built="Build with Debian's flags (warnings are errors)"
web_tools="Installing the web build's and browser tests' tools"
# The smoke test counts frame steps a second in real time: it runs alone, before anything beside it.
stage "The game in a real window" --after "$built" -- smoke_test
stage_start "Tests" --after "$built" -- tests_plain
stage_start "The Debian package from that build, unpacked into a scratch root and run, made again alike" --after "$built" -- package
# The web page compiles beside the sanitized build and its browser tests, which mostly wait on real
# time, follow at once, at the ordinary priority: the sanitized build and tests compute at a lower.
web="The web page, built with Emscripten, then played in headless Chromium against the replay runner"
stage_start "$web" --after "$built" "$web_tools" -- web_page

stage "Build with clang, AddressSanitizer and UndefinedBehaviorSanitizer" -- build_sanitized
sanitized="Build with clang, AddressSanitizer and UndefinedBehaviorSanitizer"
stage_start "Tests under the sanitizers" --after "$sanitized" -- tests_sanitized
stage_start "The game under the sanitizers, with its sound, ended by SIGTERM" --after "$sanitized" -- game_sanitized
# The fuzzers have a core each: the sanitizer tests end first.
stage_wait "Tests under the sanitizers"
stage "Fuzzing the sound, picture, key-script, data-table, network message, replay and relay readers" \
  --after "$sanitized" -- fuzz

stage_summary
