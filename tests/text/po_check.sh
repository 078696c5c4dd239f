#!/usr/bin/env bash
# Checks the translations against the code: resources/po/lobshot.pot holds exactly the texts the code
# marks for translation, every language's .po translates each of them, and each translation's printf
# directives match its source's. Needs gettext (xgettext, msgcmp, msgfmt).
set -euo pipefail
cd "$(dirname "$0")/../.."
fresh=$(mktemp)
trap 'rm -f "$fresh"' EXIT
POT_OUTPUT=$fresh scripts/update-pot.sh
if ! diff -u resources/po/lobshot.pot "$fresh"; then
  echo "resources/po/lobshot.pot is not the code's: run scripts/update-pot.sh --merge and translate"
  exit 1
fi
for po in resources/po/??.po; do
  if ! missing=$(msgcmp "$po" resources/po/lobshot.pot 2>&1); then
    echo "$missing"
    exit 1
  fi
  msgfmt --check-format -o /dev/null "$po"
done
