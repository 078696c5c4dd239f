#!/usr/bin/env bash
# Makes every picture of the README again from the replay runner (run from the top of a build).
set -euo pipefail
cd "$(dirname "$0")/.."
run=build/lobshot-headless
$run --seed 7 --frames 2 --screenshot docs/title.png >/dev/null
$run --seed 3 --script docs/screenshots.script >/dev/null
$run --seed 7 --script docs/play_screenshots.script >/dev/null
cmake --build build --target terraform_shot >/dev/null
build/tools/docshots/terraform_shot docs/terraforming.png >/dev/null
cmake --build build --target options_shot >/dev/null
build/tools/docshots/options_shot docs/options.png >/dev/null
build/tools/docshots/options_shot docs/options_touch.png touch >/dev/null
# The end of a match: the A-Bomb scenario ends one; look at it a second later.
script=$(mktemp)
trap 'rm -f "$script"' EXIT
cat tests/scenarios/weapon_a_bomb.script >"$script"
printf 'wait 60\nscreenshot docs/end_of_match.png\n' >>"$script"
$run --seed 11 --script "$script" >/dev/null
# The software centre's pictures: some of those, four times as wide and high, with sharp pixels.
cmake --build build --target scale_shot >/dev/null
mkdir -p docs/screenshots
for name in aiming lava_stream player_choice weapon_shop title options options_touch; do
  build/tools/docshots/scale_shot "docs/$name.png" 4 "docs/screenshots/$name.png"
done
# The first aiming turn and the Options screen in each language the game speaks, chosen by the
# locale.
shot=$(mktemp --suffix=.png)
trap 'rm -f "$script" "$shot"' EXIT
for language in en de fr es; do
  case $language in
    en) locale=en_GB.UTF-8 ;;
    *) locale="${language}_${language^^}.UTF-8" ;;
  esac
  { cat tests/scenarios/first_aiming_turn.script; printf 'screenshot %s\n' "$shot"; } >"$script"
  LANGUAGE= LC_ALL="$locale" $run --seed 7 --script "$script" >/dev/null
  build/tools/docshots/scale_shot "$shot" 4 "docs/screenshots/lang-$language.png"
  LANGUAGE= LC_ALL="$locale" build/tools/docshots/options_shot "$shot" >/dev/null
  build/tools/docshots/scale_shot "$shot" 4 "docs/screenshots/options-$language.png"
done
