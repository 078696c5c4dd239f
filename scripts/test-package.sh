#!/usr/bin/env bash
# Checks a Debian package of Lobshot as a player's machine would have it: unpacked into a scratch
# root with dpkg -x, it must hold every file in its place, depend on the libraries its programs
# use, name one version and one licence everywhere, carry a desktop entry and metainfo that the
# validators pass without a remark, answer --version and --help (no display needed), start the
# installed game in a virtual display as far as its title frame, play a scenario with the installed
# replay runner to the expected state, and draw nothing from lintian, pedantic tags included. Given
# the build it was made from, it also packs that build again in another folder, under another
# umask, time zone and locale, and the two packages must be the same bytes.
#
# Usage: scripts/test-package.sh DEB [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
build=${2:-}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "test-package: $*" >&2; exit 1; }

echo "Unpacking $(basename "$deb") into a scratch root"
dpkg -x "$deb" "$root"
shopt -s nullglob
entries=("$root"/usr/share/applications/*.desktop)
[ ${#entries[@]} -eq 1 ] || fail "expected one desktop entry, found ${#entries[@]}"
entry=${entries[0]}
app_id=$(basename "$entry" .desktop)
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
for file in usr/games/lobshot usr/lib/games/lobshot/lobshot-headless usr/share/metainfo/"$app_id".metainfo.xml \
            usr/share/icons/hicolor/{64x64,128x128,256x256}/apps/lobshot.png \
            usr/share/man/man6/lobshot.6.gz usr/share/man/man6/lobshot-headless.6.gz \
            usr/share/man/{de,fr,es}/man6/lobshot.6.gz \
            usr/share/doc/lobshot/copyright usr/share/doc/lobshot/changelog.gz; do
  [ -s "$root/$file" ] || fail "/$file is missing or empty"
done
for program in usr/games/lobshot usr/lib/games/lobshot/lobshot-headless; do
  [ -x "$root/$program" ] || fail "/$program is not executable"
done
[ ! -e "$root/usr/games/lobshot-headless" ] || fail "the replay runner is among the player's commands in /usr/games"
zcat "$root/usr/share/man/man6/lobshot.6.gz" | grep -q '^\.TH LOBSHOT 6 ' || fail "the manual page has no title"
zcat "$root/usr/share/man/man6/lobshot.6.gz" | grep -q '^\.ds Bt https\?://' || fail "the manual page names no bug tracker"
[[ $app_id =~ ^[a-z][a-z0-9_-]*(\.[a-z0-9_-]+)+$ ]] || fail "the desktop entry's id $app_id is not a reverse domain name"
[ "$(ls "$root/usr/share/metainfo")" = "$app_id.metainfo.xml" ] || fail "the metainfo is not the only file named for $app_id"

echo "One version"
version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(zcat "$root/usr/share/doc/lobshot/changelog.gz" | dpkg-parsechangelog -l - -SVersion)
metainfo_version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
page_version=$(zcat "$root/usr/share/man/man6/lobshot.6.gz" | sed -n 's/^\.TH .*"Lobshot \([^"]*\)".*/\1/p')
echo "  package $version, changelog $changelog_version, metainfo $metainfo_version, manual page $page_version"
[ "$version" = "$changelog_version" ] && [ "$version" = "$metainfo_version" ] && [ "$version" = "$page_version" ] ||
  fail "the package, its changelog, metainfo and manual page disagree on the version"

echo "One licence"
grep -qx 'License: GPL-3.0-or-later' "$root/usr/share/doc/lobshot/copyright" ||
  fail "the copyright file does not give the GPL version 3 or later"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
  fail "the metainfo does not give the GPL version 3 or later"
zcat "$root/usr/share/man/man6/lobshot.6.gz" | grep -q 'GNU General Public License' ||
  fail "the manual page does not give the licence"

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

echo "The desktop entry and the metainfo, which the validators pass without a remark"
remarks=$(desktop-file-validate "$entry" 2>&1) || true
[ -z "$remarks" ] || { echo "$remarks" >&2; fail "desktop-file-validate has remarks"; }
remarks=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || { echo "$remarks" >&2; fail "appstreamcli refuses the metainfo"; }
if grep -qE '^[EWIP]: ' <<<"$remarks"; then echo "$remarks" >&2; fail "appstreamcli has remarks"; fi
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch the desktop entry"
for control in keyboard gamepad pointing touch; do
  grep -q "<control>$control</control>" "$metainfo" || fail "the metainfo does not name the $control"
done

echo "The installed programs' --version and --help, without a display"
for program in lobshot lobshot-headless; do
  path=$root/usr/games/$program
  [ "$program" = lobshot ] || path=$root/usr/lib/games/lobshot/$program
  answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$path" --version) ||
    fail "$program --version ended with status $?"
  [ "$(head -n 1 <<<"$answer")" = "$program $version" ] || fail "$program --version does not begin \"$program $version\""
  echo "  $(head -n 1 <<<"$answer")"
done
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/lobshot" --version)
grep -q 'GPL version 3 or later' <<<"$answer" || fail "lobshot --version does not give the licence"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/lobshot" --help) || fail "lobshot --help ended with status $?"
grep -q '^Usage: lobshot ' <<<"$answer" || fail "lobshot --help gives no usage"
grep -q -- '--version' <<<"$answer" || fail "lobshot --help does not list --version"
echo "  $(head -n 1 <<<"$answer")"

echo "The installed game, started from its desktop entry's command, to its title frame"
command=$(sed -n 's/^Exec=//p' "$entry")
log="$root/game.log"
# Its virtual display is sought from :300 up, clear of the tests' (from :99) that may run beside it:
# xvfb-run -a can give two started at once the same display.
PATH="$root/usr/games:$PATH" XDG_DATA_HOME="$root/data" SDL_AUDIODRIVER=dummy \
  xvfb-run -a -n 300 -s "-screen 0 1024x768x24" bash -c '
    $0 >"$1" 2>&1 & pid=$!
    for _ in $(seq 100); do grep -q "First frame shown" "$1" && break; sleep 0.1; done
    kill -TERM "$pid"; wait "$pid"' "$command" "$log" || { cat "$log" >&2; fail "the game did not end cleanly"; }
grep -q "First frame shown" "$log" || { cat "$log" >&2; fail "the game showed no title frame"; }
if grep -q "^ERROR" "$log"; then cat "$log" >&2; fail "the game reported errors"; fi
grep "First frame shown" "$log" | sed 's/^/  /'

echo "The installed replay runner on a scenario"
scenario=tests/scenarios/weapon_a_bomb
read -r -a args < <(sed -n '1s/^# args: //p' "$scenario.script")
"$root/usr/lib/games/lobshot/lobshot-headless" "${args[@]}" --script "$scenario.script" --state "$root/state.json" >/dev/null
cmp -s "$root/state.json" "$scenario.json" || fail "the installed runner did not reach the state of $scenario.json"

echo "lintian, pedantic"
report=$(lintian --pedantic "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$report" ] || { echo "$report" >&2; fail "lintian has remarks"; }
echo "  nothing to report"

if [ -n "$build" ]; then
  echo "The same package from another folder, umask, time zone and locale"
  again=$(umask 0077 && TZ=Pacific/Chatham LC_ALL=C.UTF-8 LANG=C.UTF-8 \
    scripts/package.sh --from "$build" "$root/again" 2>/dev/null | tail -n 1)
  cmp "$deb" "$again" || fail "packing $build again in another folder gave other bytes"
  echo "  the same $(stat -c %s "$deb") bytes"
fi
echo "The package is good."
