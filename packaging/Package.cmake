# The Debian package lobshot_VERSION_ARCH.deb, made by CPack from an install of the build.
#
# Besides what cmake/Install.cmake installs, the package carries the software centre's description
# (AppStream metainfo), the copyright file and the changelog. scripts/package.sh configures the
# build for Debian's layout (the game in /usr/games, the replay runner in /usr/lib/games/lobshot)
# and runs CPack; StageDeb.cmake puts the staged files in the shape Debian wants before they are
# packed. The dependencies are worked out
# from the programs' own libraries by dpkg-shlibdeps. The names and addresses come from
# Identity.cmake, the releases from the changelog; the version is the project's.

include("${CMAKE_CURRENT_LIST_DIR}/Releases.cmake")

# The changelog, and the metainfo's releases from it: the newest must be this version.
set(lobshot_changelog "${CMAKE_BINARY_DIR}/generated/changelog")
configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog.in" "${lobshot_changelog}" @ONLY)
lobshot_read_changelog("${lobshot_changelog}" lobshot_changelog_version LOBSHOT_METAINFO_RELEASES)
if(NOT lobshot_changelog_version STREQUAL PROJECT_VERSION)
  set(mismatch "The changelog's newest entry is ${lobshot_changelog_version}, the project's version "
    "${PROJECT_VERSION}: scripts/release.sh ${PROJECT_VERSION} adds the entry")
  if(LOBSHOT_RELEASE)
    message(FATAL_ERROR ${mismatch})
  endif()
  message(WARNING ${mismatch})
endif()

# The software centre's pictures: docs/screenshots/NAME.png at the home page, with captions.
set(lobshot_screenshots
  "aiming|Aiming, with the angle guide up"
  "lava_stream|A lava stream pouring onto a tank"
  "player_choice|Choosing the players, people or the computer"
  "weapon_shop|The weapon shop"
  "options|The options: the screen, the sound, your name, the language"
  "title|The title screen")
set(LOBSHOT_METAINFO_SCREENSHOTS "  <screenshots>")
set(screenshot_type " type=\"default\"")
foreach(entry IN LISTS lobshot_screenshots)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 caption)
  string(APPEND LOBSHOT_METAINFO_SCREENSHOTS "
    <screenshot${screenshot_type}>
      <caption>${caption}</caption>
      <image type=\"source\" width=\"1280\" height=\"800\">${LOBSHOT_HOMEPAGE}/docs/screenshots/${name}.png</image>
    </screenshot>")
  set(screenshot_type "")
  list(APPEND lobshot_screenshot_files "${CMAKE_SOURCE_DIR}/docs/screenshots/${name}.png")
endforeach()
string(APPEND LOBSHOT_METAINFO_SCREENSHOTS "\n  </screenshots>")

set(lobshot_metainfo "${CMAKE_BINARY_DIR}/generated/${LOBSHOT_APPSTREAM_ID}.metainfo.xml")
configure_file("${CMAKE_CURRENT_LIST_DIR}/lobshot.metainfo.xml.in" "${lobshot_metainfo}" @ONLY)
configure_file("${CMAKE_CURRENT_LIST_DIR}/copyright.in" "${CMAKE_BINARY_DIR}/generated/copyright" @ONLY)
install(FILES "${lobshot_metainfo}" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${CMAKE_BINARY_DIR}/generated/copyright" "${lobshot_changelog}"
  DESTINATION "${CMAKE_INSTALL_DOCDIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lobshot)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${LOBSHOT_COPYRIGHT_HOLDER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn-based artillery game for two to eight players")
# The extended description, under the summary above; CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lobshot is a turn-based artillery game for two to eight players: at one
keyboard, with gamepads, a mouse or a touch screen, against computer players at
five levels, or from several machines over the network or in online rooms
through a relay, which spectators may watch. Each player drives a small tank
on a destructible landscape and, in turn, sets the barrel's angle and the
shot's power, picks one of six weapons and fires.

Shots fly under gravity and the wind, dig craters, throw earth and start lava
flows; every hit earns or costs money to spend in the weapon shop before the
next match. Every game is recorded as a replay that plays back exactly.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LOBSHOT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LOBSHOT_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/StageDeb.cmake")
include(CPack)

# The metainfo and the desktop entry as the software centre's tools read them, and the versions
# and pictures the package takes from the sources.
if(LOBSHOT_BUILD_TESTS)
  find_program(APPSTREAMCLI appstreamcli)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(APPSTREAMCLI)
    add_test(NAME package.metainfo
      COMMAND ${APPSTREAMCLI} validate --pedantic --no-net --explain "${lobshot_metainfo}")
  endif()
  if(DESKTOP_FILE_VALIDATE AND LOBSHOT_BUILD_GAME)
    add_test(NAME package.desktop_entry COMMAND ${DESKTOP_FILE_VALIDATE} "${LOBSHOT_DESKTOP_ENTRY}")
  endif()
  string(REPLACE ";" "," screenshot_files "${lobshot_screenshot_files}")
  add_test(NAME package.versions_and_pictures
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DCHANGELOG=${lobshot_changelog}
            -DMETAINFO=${lobshot_metainfo} -DMANPAGE=${CMAKE_SOURCE_DIR}/docs/lobshot.6
            -DSCREENSHOTS=${screenshot_files} -P ${CMAKE_CURRENT_LIST_DIR}/CheckRelease.cmake)
  # The same check fails for a version the changelog does not name.
  add_test(NAME package.versions_disagreeing
    COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}.99 -DCHANGELOG=${lobshot_changelog}
            -DMETAINFO=${lobshot_metainfo} -DMANPAGE=${CMAKE_SOURCE_DIR}/docs/lobshot.6
            -DSCREENSHOTS=${screenshot_files} -P ${CMAKE_CURRENT_LIST_DIR}/CheckRelease.cmake)
  set_tests_properties(package.versions_disagreeing PROPERTIES
    PASS_REGULAR_EXPRESSION "newest entry is ${PROJECT_VERSION}, not ${PROJECT_VERSION}\\.99")
  add_test(NAME package.release_script
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging/release_script.sh ${CMAKE_SOURCE_DIR})
  # A release build refuses the placeholders, and takes the project's own names.
  add_test(NAME package.release_refuses_placeholders
    COMMAND ${CMAKE_COMMAND} -DLOBSHOT_RELEASE=ON -P ${CMAKE_CURRENT_LIST_DIR}/CheckIdentity.cmake)
  set_tests_properties(package.release_refuses_placeholders PROPERTIES
    PASS_REGULAR_EXPRESSION "A release build needs.*LOBSHOT_APPSTREAM_ID,[ \n]+LOBSHOT_HOMEPAGE,[ \n]+LOBSHOT_BUG_TRACKER,[ \n]+LOBSHOT_PACKAGE_MAINTAINER")
  add_test(NAME package.release_takes_own_names
    COMMAND ${CMAKE_COMMAND} -DLOBSHOT_RELEASE=ON -DLOBSHOT_APPSTREAM_ID=invalid.lobshot
            -DLOBSHOT_HOMEPAGE=https://lobshot.invalid -DLOBSHOT_BUG_TRACKER=https://lobshot.invalid/issues
            "-DLOBSHOT_PACKAGE_MAINTAINER=Ann Smith <ann@lobshot.invalid>"
            -P ${CMAKE_CURRENT_LIST_DIR}/CheckIdentity.cmake)
endif()
