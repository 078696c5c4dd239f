#!/usr/bin/env bash
# scripts/release.sh on a copy of the files it changes: the new version reaches CMakeLists.txt, the
# changelog (and through it the metainfo's releases) and the manual page, so that the release check
# passes for it and fails for the old one; a version that is not later, or not a version, is refused
# and changes nothing. Usage: release_script.sh SOURCE_DIR
set -euo pipefail
source=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release_script: $*" >&2; exit 1; }

mkdir -p "$work/scripts" "$work/docs"
cp "$source/CMakeLists.txt" "$work/"
cp -r "$source/packaging" "$work/"
cp "$source/docs/lobshot.6" "$work/docs/"
cp "$source/scripts/release.sh" "$work/scripts/"
cd "$work"

# The metainfo's releases as the build makes them from the changelog.
metainfo() {
  cat >releases.cmake <<'CMAKE'
include(packaging/Releases.cmake)
lobshot_read_changelog(packaging/changelog.in version releases)
file(WRITE metainfo.xml "${releases}")
CMAKE
  cmake -P releases.cmake
}
check() {
  cmake -DVERSION="$1" -DCHANGELOG=packaging/changelog.in -DMETAINFO=metainfo.xml \
        -DMANPAGE=docs/lobshot.6 -DSCREENSHOTS= -P packaging/CheckRelease.cmake >/dev/null 2>&1
}

old=$(sed -n 's/^project(lobshot VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
new=$old.1
scripts/release.sh --no-package "$new" "Faster & <sharper> shots, in a sentence long enough to be folded over two lines of the changelog." \
  "A second change." >/dev/null
grep -q "^project(lobshot VERSION $new " CMakeLists.txt || fail "CMakeLists.txt does not name $new"
head -n 1 packaging/changelog.in | grep -qx "lobshot ($new) unstable; urgency=medium" || fail "the changelog has no entry for $new on top"
[ "$(grep -c '^  \* ' packaging/changelog.in)" -ge 3 ] || fail "the entry's changes are not items"
metainfo
grep -q "<li>Faster &amp; &lt;sharper&gt; shots, in a sentence long enough to be folded over two lines of the changelog.</li>" metainfo.xml ||
  fail "the metainfo's release does not carry the change whole"
check "$new" || fail "the release check fails after the release"
! check "$old" || fail "the release check passes for the old version"

# Refusals leave everything as it was.
cp -r . "$work.before"
trap 'rm -rf "$work" "$work.before"' EXIT
for bad in "$old" "$new" "$new-rc1" ""; do
  if scripts/release.sh --no-package "$bad" "A change." >/dev/null 2>&1; then fail "version \"$bad\" was taken"; fi
done
diff -r "$work.before" . >/dev/null || fail "a refused release changed files"
echo "release.sh: $old to $new, refusals change nothing"
