# Sourced by the runner's case scripts (sh): the case's arguments and the checks they share.
# The script is run as SCRIPT RUNNER WORK-DIR CASE, CASE naming one of its functions; it exits 1,
# saying why, when the runner does not behave.
# shellcheck shell=sh
set -u
runner=$1
work=$2/$3
case_name=$3
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "$case_name: $*" >&2
    echo "--- standard error:" >&2
    cat "$work/err" >&2
    exit 1
}

# run STATUS ARGS...: runs the runner, which must exit with STATUS within a minute (124: it did not).
run() {
    want=$1
    shift
    timeout 60 "$runner" "$@" >"$work/out" 2>"$work/err" </dev/null
    got=$?
    [ "$got" = "$want" ] || fail "$runner $*: exit status $got, expected $want"
}

# says TEXT: standard error holds TEXT (a fixed string).
says() {
    grep -qF -- "$1" "$work/err" || fail "no \"$1\" on standard error"
}

# table FILE: runs the rows of FILE that belong to this case, each "CASE | STATUS | TEXT | ARGUMENTS"
# with the text and the arguments as the shell reads them ($work is the case's folder): the runner
# must exit with STATUS and say TEXT. Other rows, comments among them, are skipped; a case without
# rows fails.
table() {
    rows=0
    while IFS= read -r row; do
        [ "${row%% | *}" = "$case_name" ] || continue
        rows=$((rows + 1))
        row=${row#* | }
        status=${row%% | *}
        row=${row#* | }
        eval "text=\"${row%% | *}\"; set -- ${row#* | }"
        run "$status" "$@"
        says "$text"
    done <"$1"
    [ "$rows" -gt 0 ] || fail "no rows for $case_name in $1"
}
