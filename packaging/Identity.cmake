# Who publishes Lobshot and where: the one place for the names and addresses the package, the
# metainfo, the desktop entry and the copyright file carry.
#
# The defaults are placeholders (example.org, org.example...), good for building and testing but
# not for publishing: a publisher sets these options, and a build with LOBSHOT_RELEASE=ON refuses
# any that still hold a placeholder. CheckIdentity.cmake runs the same check on its own for the
# tests.

# Builds configured before the id was in lower case take the new default.
if(LOBSHOT_APPSTREAM_ID STREQUAL "org.example.lobshot.Lobshot")
  unset(LOBSHOT_APPSTREAM_ID CACHE)
endif()
option(LOBSHOT_RELEASE "A build to publish: refuse the placeholder names and addresses" OFF)
set(LOBSHOT_APPSTREAM_ID "org.example.lobshot" CACHE STRING
  "The application's id, the reverse of the project's domain: the metainfo's id and the desktop entry's name")
set(LOBSHOT_HOMEPAGE "https://lobshot.example.org" CACHE STRING
  "The project's web address; the metainfo's screenshots are its docs/screenshots/ pictures there")
set(LOBSHOT_BUG_TRACKER "https://lobshot.example.org/issues" CACHE STRING
  "Where players report faults (the metainfo's bug tracker)")
set(LOBSHOT_PACKAGE_MAINTAINER "The Lobshot developers <lobshot@example.org>" CACHE STRING
  "The package's maintainer and the copyright file's contact, as name and e-mail address")
set(LOBSHOT_COPYRIGHT_HOLDER "The Lobshot developers" CACHE STRING "Who holds the copyright")
set(LOBSHOT_COPYRIGHT_YEARS "2026" CACHE STRING "The copyright's years, as 2026 or 2026-2028")
set(LOBSHOT_RELAY "" CACHE STRING
  "The relay (ADDRESS:PORT) the game's online menu uses unless the player names another; empty: it asks")

include("${CMAKE_CURRENT_LIST_DIR}/Placeholders.cmake")
lobshot_check_identity()
