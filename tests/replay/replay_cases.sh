#!/bin/sh
# Runs lobshot-headless with a bad replay or command line in one case and checks its exit status,
# its message and that it wrote nothing it should not.
# Usage: replay_cases.sh RUNNER WORK-DIR CASE
# shellcheck source-path=SCRIPTDIR source=../support/runner_cases.sh
. "$(dirname "$0")/../support/runner_cases.sh"

# A good replay to damage: the title, a wait, the player choice; and the same as Lobshot 0.1 wrote
# it (format 2), where only its head differs.
record() {
    printf 'wait 2\npress Enter\nwait 3\n' >"$work/script"
    "$runner" --seed 5 --script "$work/script" --record "$work/good" >/dev/null 2>&1 ||
        fail "cannot record a replay"
    grep -v '^end ' "$work/good" >"$work/keys"
    sed 's/^lobshot-replay 3$/lobshot-replay 2/; s/^rules 1$/game 0.1/' "$work/good" >"$work/old"
}

# Damaged replays are refused with the file, line and reason, and no state is written (the reader's
# own tests hold every reason, and the runs longer than any game it refuses before they play). Each
# row: how the bad file is made, what standard error says.
refused_files() {
    record
    while IFS='|' read -r make message; do
        eval "$make" >"$work/bad"
        run 2 --replay "$work/bad" --state "$work/state.json"
        says "$message"
        [ ! -e "$work/state.json" ] || fail "$make: a state was written for a replay that did not run"
    done <<'TABLE'
head -c 3000 "$runner"|bad: line 1:
head -c -6 "$work/good"|the file ends before its end line
:|bad: line 1: the file ends before its end line
TABLE
}

refused_command_lines() {
    record
    table "$(dirname "$0")/replay_cases.tsv"
}

# People's replays of Lobshot 0.1 still play, to the state the same keys reach today.
old_people() {
    record
    run 0 --replay "$work/good" --state "$work/new.json"
    run 0 --replay "$work/old" --state "$work/state.json"
    cmp -s "$work/new.json" "$work/state.json" || fail "the old replay ends elsewhere than the new one"
}

# Lobshot 0.1's computers chosen as it plays (the file sets two Hard computers at the player choice)
# are refused where they are chosen: never played differently, nor recorded.
old_computers_chosen() {
    run 2 --replay "$(dirname "$0")/computers/chosen_in_0.1.lobshot-replay" --state "$work/state.json" \
        --record "$work/again"
    says "the replay stops at frame step 15: made by Lobshot 0.1, whose computer players cannot be played again"
    [ ! -e "$work/state.json" ] && [ ! -e "$work/again" ] && [ ! -e "$work/again.partial" ] ||
        fail "a refused replay left a state or a recording"
}

# A replay recorded again with frames after it: the same keys, a longer run, and it still plays.
record_replayed() {
    record
    run 0 --replay "$work/good" --frames 7 --record "$work/again"
    grep -v '^end ' "$work/again" | cmp -s "$work/keys" - || fail "the keys changed when recorded again"
    [ "$(sed -n 's/^end //p' "$work/again")" = $(($(sed -n 's/^end //p' "$work/good") + 7)) ] ||
        fail "the run did not grow by 7 frame steps"
    run 0 --replay "$work/again"
}

"$case_name"
echo "$case_name: ok"
