# The Debian package lobshot_VERSION_ARCH.deb, made by CPack from an install of the build.
#
# Besides what cmake/Install.cmake installs, the package carries the software centre's description
# (AppStream metainfo), the copyright file and the changelog. scripts/package.sh configures the
# build for Debian's layout (the programs in /usr/games) and runs CPack; StageDeb.cmake puts the
# staged files in the shape Debian wants before they are packed. The dependencies are worked out
# from the programs' own libraries by dpkg-shlibdeps.

set(LOBSHOT_APPSTREAM_ID "org.example.lobshot.Lobshot" CACHE STRING
  "The software centre's component id, the reverse of the project's domain")
set(LOBSHOT_HOMEPAGE "https://lobshot.example.org" CACHE STRING
  "The project's web address; the metainfo's screenshots are its docs/ pictures there")
set(LOBSHOT_PACKAGE_MAINTAINER "The Lobshot developers <lobshot@example.org>" CACHE STRING
  "The package's maintainer, as name and e-mail address")

set(lobshot_metainfo "${CMAKE_BINARY_DIR}/generated/${LOBSHOT_APPSTREAM_ID}.metainfo.xml")
configure_file("${CMAKE_CURRENT_LIST_DIR}/lobshot.metainfo.xml.in" "${lobshot_metainfo}" @ONLY)
configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog.in" "${CMAKE_BINARY_DIR}/generated/changelog" @ONLY)
install(FILES "${lobshot_metainfo}" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${CMAKE_CURRENT_LIST_DIR}/copyright" "${CMAKE_BINARY_DIR}/generated/changelog"
  DESTINATION "${CMAKE_INSTALL_DOCDIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lobshot)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Lobshot developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn-based artillery game for two to eight players")
# The extended description, under the summary above; CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lobshot is a turn-based artillery game for two to eight players sharing one
keyboard or passing a gamepad round, any of whom may be the computer. Each
player drives a small tank on a destructible landscape and, in turn, sets the
barrel's angle and the shot's power, picks one of six weapons and fires.

Shots fly under gravity and the wind, dig craters, throw earth and start lava
flows; every hit earns or costs money to spend in the weapon shop before the
next match. Every game is recorded as a replay that plays back exactly.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LOBSHOT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LOBSHOT_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/StageDeb.cmake")
include(CPack)

# The metainfo and the desktop entry as the software centre's tools read them.
if(LOBSHOT_BUILD_TESTS)
  find_program(APPSTREAMCLI appstreamcli)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(APPSTREAMCLI)
    add_test(NAME package.metainfo COMMAND ${APPSTREAMCLI} validate --no-net "${lobshot_metainfo}")
  endif()
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME package.desktop_entry
      COMMAND ${DESKTOP_FILE_VALIDATE} "${CMAKE_SOURCE_DIR}/resources/lobshot.desktop")
  endif()
endif()
