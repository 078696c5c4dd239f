#!/bin/sh
# Runs lobshot-headless in one hostile case and checks its exit status, its message and its files.
# Usage: runner_cases.sh RUNNER WORK-DIR CASE
# shellcheck source-path=SCRIPTDIR source=../support/runner_cases.sh
. "$(dirname "$0")/../support/runner_cases.sh"
scenarios=$(cd "$(dirname "$0")/../scenarios" && pwd)

# clean: standard error holds only printable ASCII and line ends.
clean() {
    if LC_ALL=C grep -q '[^ -~]' "$work/err"; then fail "raw bytes on standard error"; fi
}

# Every output, named on the command line or in the script, to a full device; and to a folder and
# into a missing one from the command line.
full_devices() {
    for output in state screenshot materials; do
        printf 'wait 1\n%s /dev/full\nwait 1\n' "$output" >"$work/out.script"
        run 1 --script "$work/out.script"
        says "cannot write /dev/full"
    done
}

script_from_standard_input() {
    "$runner" --seed 7 --script - --state "$work/state.json" <"$scenarios/until_not_reached.script" \
        >"$work/out" 2>"$work/err"
    got=$?
    [ "$got" = 3 ] || fail "exit status $got, expected 3"
    says "-:4: mode not reached after 20 ticks"
    cmp -s "$work/state.json" "$scenarios/until_not_reached.json" || fail "the state differs"
}

# Raw bytes in a script, its name or an option come back escaped.
garbage_escaped() {
    printf 'wait 1\npress Enter \001\377\033[2J\n' >"$work/bad.script"
    run 2 --script "$work/bad.script"
    says "bad.script:2: unknown key \"\\x01\\xFF\\x1B[2J\""
    clean
    name=$(printf "$work/\033]0;x\007.script")
    printf 'jump\n' >"$name"
    run 2 --script "$name"
    says "\\x1B]0;x\\x07.script:1: unknown command \"jump\""
    clean
    run 2 "$(printf -- '--st\001te\377')" x
    says "unknown option \"--st\\x01te\\xFF\""
    clean
}

# Standard output through a pipe, which cannot be replaced: the map is written in place among the
# trace rows.
materials_to_standard_output() {
    { "$runner" --materials /dev/stdout 2>"$work/err" </dev/null; echo $? >"$work/status"; } | cat >"$work/out"
    [ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status"), expected 0"
    grep -q '^P5$' "$work/out" && grep -q '^0 0$' "$work/out" || fail "no empty material map on standard output"
}

state_in_missing_directory() {
    [ ! -e "$work/no" ] || fail "something was made"
}

# A write that cannot finish leaves the old file whole and no partial one.
state_replaced_only_whole() {
    printf 'old\n' >"$work/state.json"
    mkdir "$work/state.json.partial"
    touch "$work/state.json.partial/keep"
    run 1 --state "$work/state.json"
    [ "$(cat "$work/state.json")" = old ] || fail "the old state was overwritten"
    rm -rf "$work/state.json.partial"
    run 0 --frames 2 --state "$work/state.json"
    grep -q '"frame": 2' "$work/state.json" || fail "the state was not replaced"
    [ ! -e "$work/state.json.partial" ] || fail "a partial file was left"
}

first_failure_stands() {
    printf 'wait 1\nstate /dev/full\nuntil Aiming 3\n' >"$work/both.script"
    run 1 --script "$work/both.script" --state /dev/null
    says "cannot write /dev/full"
    says "both.script:3: mode not reached after 3 ticks"
    printf 'until Aiming 3\n' >"$work/until_first.script"
    run 3 --script "$work/until_first.script" --state /dev/full
    says "cannot write /dev/full"
}

seed_with_leading_zeros() {
    run 0 --seed 007 --frames 3 --state "$work/zeros.json"
    run 0 --seed 7 --frames 3 --state "$work/plain.json"
    cmp -s "$work/zeros.json" "$work/plain.json" || fail "--seed 007 is not --seed 7"
    run 0 --seed 000000000004294967295 --frames 0
}

online_options() {
    clean
}

# A case runs its rows of runner_cases.tsv, if it has any, then its own checks, if it has any.
cases="$(dirname "$0")/runner_cases.tsv"
if grep -q "^$case_name | " "$cases"; then table "$cases"; fi
if command -v "$case_name" >/dev/null || ! grep -q "^$case_name | " "$cases"; then "$case_name"; fi
