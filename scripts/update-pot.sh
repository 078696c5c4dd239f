#!/usr/bin/env bash
# Extracts every text the player reads (the arguments of Tr, TrLater, NetText, TrFormat and TrPlural,
# and the page's lobshotText) into resources/po/lobshot.pot with xgettext, and with --merge brings each
# language's .po file up to date with it (new texts untranslated, texts gone marked obsolete). Needs
# gettext.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${POT_OUTPUT:-resources/po/lobshot.pot}
git ls-files '*.cpp' '*.h' | grep -vE '^(tests|bench|fuzz|testkit|tools)/' | grep -v '^text/text.h$' |
  xgettext --from-code=UTF-8 --language=C++ --keyword= --keyword=Tr --keyword=TrLater --keyword=NetText --keyword=TrFormat \
    --keyword=TrPlural:1,2 --flag=TrFormat:1:c-format --flag=TrPlural:1:c-format --flag=TrPlural:2:c-format \
    --package-name=Lobshot --msgid-bugs-address= --sort-by-file --add-location=file --omit-header \
    --files-from=- --output="$out"
# The page's own words, which its scripts pass through lobshotText (page/texts.js).
git ls-files 'page/*.js' |
  xgettext --from-code=UTF-8 --language=JavaScript --keyword= --keyword=lobshotText --join-existing \
    --package-name=Lobshot --msgid-bugs-address= --sort-by-file --add-location=file --omit-header \
    --files-from=- --output="$out"
if [ "${1:-}" = --merge ]; then
  for po in resources/po/??.po; do
    msgmerge --quiet --update --backup=none --no-fuzzy-matching --no-wrap --add-location=file "$po" "$out"
  done
fi
