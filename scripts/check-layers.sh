#!/usr/bin/env bash
# Checks that every subsystem includes only itself and the subsystems beneath it, from the
# platform layer at the bottom to the shell and the runners at the top, and that the test
# equipment (testkit/) stays out of the game: no file of the game includes it and no build file of
# the game links it. Prints each fault and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers, lowest first; folders on one line sit side by side and may not include each other.
# The platform layer's backends, and what they share, sit above the trace facility they report to;
# the network transport needs nothing of the game, and its ENet and relay (MQTT) implementations
# sit beside them.
# The test equipment sits above everything, so that nothing of the game may include it.
layers=(
  "platform"
  "diag"
  "platform/common"
  "net pointer"
  "platform/sdl platform/headless platform/web net/enet net/mqtt"
  "core"
  "text"
  "display sound settings"
  "landscape"
  "players"
  "projectiles"
  "screens"
  "computer"
  "replay"
  "netplay"
  "online options lookout"
  "shell"
  "snapshot"
  "runner"
  "programs"
  "testkit"
)

declare -A level
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do level[$folder]=$i; done
done

# The layer folder a path belongs to: the longest listed folder that is a prefix of it.
folder_of() {
  local path=$1 best=""
  for folder in "${!level[@]}"; do
    if [[ $path == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  echo "$best"
}

status=0
while IFS= read -r file; do
  from=$(folder_of "$file")
  [ -n "$from" ] || continue
  while IFS= read -r included; do
    to=$(folder_of "$included")
    [ -n "$to" ] || continue
    if [ "$to" != "$from" ] && [ "${level[$to]}" -ge "${level[$from]}" ]; then
      echo "$file includes $included: $from may not depend on $to"
      status=1
    fi
  done < <(sed -nE 's/^#include "([^"]+)".*/\1/p' "$file")
done < <(git ls-files '*.cpp' '*.h')

# The test equipment is linked by the tests, the benchmarks, the fuzzers and the test tools alone:
# no build file of the game names its library or its sources.
while IFS= read -r file; do
  case $file in tests/* | bench/* | fuzz/* | testkit/*) continue ;; esac
  if grep -vE '^[[:space:]]*#' "$file" | grep -qE 'lobshot_testkit|testkit/'; then
    echo "$file links the test equipment: only tests, benchmarks, fuzzers and test tools may"
    status=1
  fi
done < <(git ls-files 'CMakeLists.txt' '*/CMakeLists.txt' '*.cmake')
exit $status
