#!/usr/bin/env bash
# Checks a Debian package of Lobshot as a player's machine would have it: unpacked into a scratch
# root with dpkg -x, it must hold every file in its place, depend on the libraries its programs
# use, carry a valid desktop entry and metainfo, start the installed game in a virtual display as
# far as its title frame, play a scenario with the installed replay runner to the expected state,
# and draw no error from lintian (its warnings are listed). Usage: scripts/test-package.sh DEB
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "test-package: $*" >&2; exit 1; }

echo "Unpacking $(basename "$deb") into a scratch root"
dpkg -x "$deb" "$root"
for file in usr/games/lobshot usr/games/lobshot-headless usr/share/applications/lobshot.desktop \
            usr/share/icons/hicolor/{64x64,128x128,256x256}/apps/lobshot.png \
            usr/share/man/man6/lobshot.6.gz usr/share/man/man6/lobshot-headless.6.gz \
            usr/share/doc/lobshot/copyright usr/share/doc/lobshot/changelog.gz; do
  [ -s "$root/$file" ] || fail "/$file is missing or empty"
done
for program in lobshot lobshot-headless; do
  [ -x "$root/usr/games/$program" ] || fail "/usr/games/$program is not executable"
done
zcat "$root/usr/share/man/man6/lobshot.6.gz" | grep -q '^\.TH LOBSHOT 6 ' || fail "the manual page has no title"
shopt -s nullglob
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] || fail "expected one metainfo file, found ${#metainfo[@]}"

echo "Dependencies worked out from the programs"
depends=$(dpkg-deb -f "$deb" Depends)
echo "  $depends"
for library in libc6 libsdl2-2.0-0 libpng16-16; do
  [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
    fail "Depends lacks $library"
done
if ldd "$root/usr/games/lobshot" | grep -q libenet; then
  [[ $depends == *libenet* ]] || fail "the game uses ENet but Depends lacks it"
fi
if ldd "$root/usr/games/lobshot" | grep -q libmosquitto; then
  [[ $depends == *libmosquitto* ]] || fail "the game uses libmosquitto but Depends lacks it"
fi

echo "The desktop entry and the metainfo"
desktop-file-validate "$root/usr/share/applications/lobshot.desktop"
appstreamcli validate --no-net "${metainfo[0]}"
grep -q '<launchable type="desktop-id">lobshot.desktop</launchable>' "${metainfo[0]}" ||
  fail "the metainfo does not launch the desktop entry"
for control in keyboard gamepad; do
  grep -q "<control>$control</control>" "${metainfo[0]}" || fail "the metainfo does not name the $control"
done

echo "The installed game, started from its desktop entry's command, to its title frame"
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/lobshot.desktop")
log="$root/game.log"
PATH="$root/usr/games:$PATH" XDG_DATA_HOME="$root/data" SDL_AUDIODRIVER=dummy \
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    $0 >"$1" 2>&1 & pid=$!
    for _ in $(seq 100); do grep -q "First frame shown" "$1" && break; sleep 0.1; done
    kill -TERM "$pid"; wait "$pid"' "$command" "$log" || { cat "$log" >&2; fail "the game did not end cleanly"; }
grep -q "First frame shown" "$log" || { cat "$log" >&2; fail "the game showed no title frame"; }
if grep -q "^ERROR" "$log"; then cat "$log" >&2; fail "the game reported errors"; fi
grep "First frame shown" "$log" | sed 's/^/  /'

echo "The installed replay runner on a scenario"
scenario=tests/scenarios/weapon_a_bomb
read -r -a args < <(sed -n '1s/^# args: //p' "$scenario.script")
"$root/usr/games/lobshot-headless" "${args[@]}" --script "$scenario.script" --state "$root/state.json" >/dev/null
cmp -s "$root/state.json" "$scenario.json" || fail "the installed runner did not reach the state of $scenario.json"

echo "lintian"
report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
if grep -q '^E:' <<<"$report"; then echo "$report" >&2; fail "lintian reports errors"; fi
if [ -n "$report" ]; then echo "$report" | sed 's/^/  /'; else echo "  nothing to report"; fi
echo "The package is good."
