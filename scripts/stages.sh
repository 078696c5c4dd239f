# Runs and times the stages of the test command; sourced by scripts/test.sh.
# shellcheck shell=bash
#
# A stage is a command (often a function of the sourcing script) run with errexit, in a subshell.
# `stage` runs one in the foreground, its output printed as it comes; `stage_start` runs one beside
# the others with its output kept in a log, printed whole once it has ended: at the start of the
# next stage, or when `stage_wait` or a stage that needs it waits for it. Either way a line follows
# with the stage's result, its wall time and its CPU time (user and system, of every process it
# waited for). A stage whose prerequisite did not pass is skipped. `stage_summary` prints the table
# of every stage and returns non-zero when one failed.
#
#   stage NAME [--after NAME...] -- COMMAND...
#   stage_start NAME [--after NAME...] -- COMMAND...
#   stage_wait NAME...

stage_dir=$(mktemp -d)
stage_names=()
declare -A stage_result=() stage_pid=() stage_number=()

# The seconds since the epoch, to the millisecond.
stage_now() { date +%s.%3N; }

# Runs a stage's command in this subshell; at the end, however it ends, writes its CPU times and
# the time it ended.
stage_body() {
  # The file's name goes into the trap now: the trap runs after this function has returned.
  # shellcheck disable=SC2064
  trap "times >$(printf %q "$1"); stage_now >>$(printf %q "$1")" EXIT
  shift
  set -e
  "$@"
}

# Reads NAME [--after NAME...] -- into stage_name and stage_after, and into stage_shift how many
# arguments they take before the command.
stage_parse() {
  stage_name=$1
  stage_after=()
  stage_shift=1
  shift
  if [ "${1:-}" = --after ]; then
    shift
    stage_shift=2
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
      stage_after+=("$1")
      shift
      stage_shift=$((stage_shift + 1))
    done
  fi
  [ "${1:-}" = -- ] || { echo "stages.sh: stage $stage_name: expected -- before the command" >&2; exit 2; }
  stage_shift=$((stage_shift + 1))
}

# Registers a stage; succeeds when its prerequisites passed (waiting for those still running),
# otherwise records it as skipped.
stage_begin() {
  local name=$1 after
  shift
  stage_poll
  stage_names+=("$name")
  stage_number[$name]=${#stage_names[@]}
  for after in "$@"; do
    [ "${stage_result[$after]:-}" = running ] && stage_wait "$after"
    if [ "${stage_result[$after]:-}" != passed ]; then
      stage_result[$name]=skipped
      printf '\n=== %s: skipped, since "%s" did not pass\n' "$name" "$after"
      return 1
    fi
  done
  : >"$(stage_file "$name" times)"
  stage_now >"$(stage_file "$name" start)"
}

stage_file() { echo "$stage_dir/${stage_number[$1]}.$2"; }

# Records how a stage ended and prints its line of times.
stage_end() {
  local name=$1 status=$2 wall cpu
  if [ "$status" -eq 0 ]; then stage_result[$name]=passed; else stage_result[$name]=FAILED; fi
  read -r wall cpu < <(stage_times "$name")
  echo "$wall $cpu" >"$(stage_file "$name" row)"
  printf -- '--- %s: %s in %s s (CPU %s s)\n' "$name" "${stage_result[$name]}" "$wall" "$cpu"
}

# Prints a finished stage's wall time and CPU time in seconds: the times file holds bash's `times`
# (the shell's own user and system times, then its children's) and the time the stage ended.
stage_times() {
  awk -v start="$(cat "$(stage_file "$1" start)")" '
    function seconds(t) { split(t, p, "m"); return p[1] * 60 + substr(p[2], 1, length(p[2]) - 1) }
    NR <= 2 { cpu += seconds($1) + seconds($2) }
    NR == 3 { end = $1 }
    END { if (end == "") { end = start; cpu = 0 }
          printf "%.0f %.0f\n", end - start, cpu }' "$(stage_file "$1" times)"
}

stage() {
  local status=0
  stage_parse "$@"
  shift "$stage_shift"
  stage_begin "$stage_name" "${stage_after[@]}" || return 0
  local name=$stage_name
  printf '\n=== %s\n' "$name"
  # In the background and waited for, so that errexit holds inside the stage's functions.
  stage_body "$(stage_file "$name" times)" "$@" &
  wait $! || status=$?
  stage_end "$name" "$status"
}

stage_start() {
  stage_parse "$@"
  shift "$stage_shift"
  stage_begin "$stage_name" "${stage_after[@]}" || return 0
  local name=$stage_name
  printf '\n=== %s: started beside the others\n' "$name"
  stage_body "$(stage_file "$name" times)" "$@" >"$(stage_file "$name" log)" 2>&1 </dev/null &
  stage_pid[$name]=$!
  stage_result[$name]=running
}

stage_wait() {
  local name status
  for name in "$@"; do
    [ "${stage_result[$name]:-}" = running ] || continue
    status=0
    wait "${stage_pid[$name]}" || status=$?
    printf '\n=== %s (ran beside the others)\n' "$name"
    cat "$(stage_file "$name" log)"
    stage_end "$name" "$status"
  done
}

# Prints the stages beside the others that have ended, without waiting for those still running.
stage_poll() {
  local name
  for name in "${stage_names[@]}"; do
    if [ "${stage_result[$name]:-}" = running ] && [ "$(wc -l <"$(stage_file "$name" times)")" -ge 3 ]; then
      stage_wait "$name"
    fi
  done
}

# Waits for every stage still running, prints the table and says whether all passed; the last line
# counts the stages.
stage_summary() {
  local name wall cpu passed=0 failed=0 skipped=0 total_cpu=0 width=40
  for name in "${stage_names[@]}"; do
    stage_wait "$name"
    [ ${#name} -gt "$width" ] && width=${#name}
  done
  # What a failed stage beside the others printed last comes again here, where a reader of only
  # the end of the output finds it (ctest, for one, ends with the list of the tests that failed).
  for name in "${stage_names[@]}"; do
    if [ "${stage_result[$name]}" = FAILED ] && [ -f "$(stage_file "$name" log)" ]; then
      # A test runner that reports in TAP names its failures mid-stream: they come first.
      if grep -q '^ *not ok ' "$(stage_file "$name" log)"; then
        printf '\n=== The failures "%s" reported\n' "$name"
        grep -A 30 '^ *not ok ' "$(stage_file "$name" log)" | head -n 200
      fi
      printf '\n=== The end of what "%s" printed\n' "$name"
      tail -n 40 "$(stage_file "$name" log)"
    fi
  done
  printf '\n%-*s %6s %6s  %s\n' "$width" "Stage" "Wall" "CPU" "Result"
  for name in "${stage_names[@]}"; do
    wall=- cpu=-
    [ -f "$(stage_file "$name" row)" ] && read -r wall cpu <"$(stage_file "$name" row)"
    [ "$cpu" != - ] && total_cpu=$((total_cpu + cpu))
    printf '%-*s %6s %6s  %s\n' "$width" "$name" "$wall" "$cpu" "${stage_result[$name]}"
    case ${stage_result[$name]} in
      passed) passed=$((passed + 1)) ;;
      skipped) skipped=$((skipped + 1)) ;;
      *) failed=$((failed + 1)) ;;
    esac
  done
  printf '%-*s %6s %6s\n' "$width" "The whole test command (stages overlap)" "$SECONDS" "$total_cpu"
  rm -rf "$stage_dir"
  echo
  echo "stages: $passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ] && [ "$skipped" -eq 0 ]
}
