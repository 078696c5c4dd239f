#!/usr/bin/env bash
# Makes a release: raises the project's version (CMakeLists.txt, the one place it is kept), adds the
# changelog's entry for it (the metainfo's releases are made from the changelog) and dates the
# manual page, then builds the Debian package as scripts/package.sh does, with LOBSHOT_RELEASE on,
# so that the publishing options must be the project's own (packaging/Identity.cmake).
#
# Usage: scripts/release.sh VERSION CHANGE... [-- -DOPTION=VALUE...]
#        scripts/release.sh --no-package VERSION CHANGE...
#
# Each CHANGE is one item of the entry, a sentence or a few. The options after -- go to the build,
# for instance -DLOBSHOT_HOMEPAGE=https://... . Nothing is committed: the changes are left for a
# look and a commit.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() { echo "usage: scripts/release.sh [--no-package] VERSION CHANGE... [-- -DOPTION=VALUE...]" >&2; exit 2; }

package=1
if [ "${1:-}" = --no-package ]; then package=0; shift; fi
[ $# -ge 2 ] || usage
version=$1
shift
changes=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do changes+=("$1"); shift; done
[ $# -eq 0 ] || shift
options=("$@")
[ ${#changes[@]} -gt 0 ] || usage

# The new version must be a plain one, later than the project's.
[[ $version =~ ^[0-9]+(\.[0-9]+)*$ ]] || { echo "release.sh: $version is not a version as 1.2 or 1.2.3" >&2; exit 2; }
current=$(sed -n 's/^project(lobshot VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$current" ] || { echo "release.sh: no project(lobshot VERSION ...) in CMakeLists.txt" >&2; exit 1; }
dpkg --compare-versions "$version" gt "$current" ||
  { echo "release.sh: $version is not later than the project's $current" >&2; exit 2; }

# The version, the changelog's entry on top (the maintainer filled in by the build) and the page.
sed -i "s/^project(lobshot VERSION $current /project(lobshot VERSION $version /" CMakeLists.txt
entry=$(mktemp)
trap 'rm -f "$entry"' EXIT
{
  printf 'lobshot (%s) unstable; urgency=medium\n\n' "$version"
  for change in "${changes[@]}"; do
    fold -s -w 72 <<<"$change" | sed 's/ *$//; 1s/^/  * /; 2,$s/^/    /'
  done
  printf '\n -- @LOBSHOT_PACKAGE_MAINTAINER@  %s\n\n' "$(LC_ALL=C date -u -R)"
  cat packaging/changelog.in
} >"$entry"
cp "$entry" packaging/changelog.in
for page in docs/lobshot.6 docs/man/*/lobshot.6; do
  [ -f "$page" ] || continue
  sed -i "s/^\.TH LOBSHOT 6 \"[^\"]*\" \"Lobshot [^\"]*\"/.TH LOBSHOT 6 \"$(LC_ALL=C date -u '+%B %Y')\" \"Lobshot $version\"/" \
    "$page"
done
echo "Lobshot $version: CMakeLists.txt, packaging/changelog.in and docs/lobshot.6 updated"

if [ "$package" = 1 ]; then
  scripts/package.sh build-release -DLOBSHOT_RELEASE=ON "${options[@]}"
fi
