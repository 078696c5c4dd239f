# Installing the desktop entry, the icon and the manual page lobshot(6).
#
# The game goes to bin and the replay runner to lib/games/lobshot by their own rules; here the
# desktop entry (named for the application's id, packaging/Identity.cmake), the icon in each size of
# the icon theme and the manual page. A test installs into a scratch prefix and checks what arrives.

# The page as it stands in the sources, but naming the bug tracker's address (LOBSHOT_BUG_TRACKER).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/docs/lobshot.6")
file(READ "${CMAKE_SOURCE_DIR}/docs/lobshot.6" manual_page)
string(REGEX REPLACE "\n\\.ds Bt [^\n]*" "\n.ds Bt ${LOBSHOT_BUG_TRACKER}" manual_page "${manual_page}")
set(installed_page "")
if(EXISTS "${CMAKE_BINARY_DIR}/generated/lobshot.6")
  file(READ "${CMAKE_BINARY_DIR}/generated/lobshot.6" installed_page)
endif()
if(NOT installed_page STREQUAL manual_page)
  file(WRITE "${CMAKE_BINARY_DIR}/generated/lobshot.6" "${manual_page}")
endif()
install(FILES "${CMAKE_BINARY_DIR}/generated/lobshot.6" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")

if(LOBSHOT_BUILD_GAME)
  set(LOBSHOT_DESKTOP_ENTRY "${CMAKE_SOURCE_DIR}/resources/lobshot.desktop")
  install(FILES "${LOBSHOT_DESKTOP_ENTRY}" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications"
    RENAME "${LOBSHOT_APPSTREAM_ID}.desktop")
  foreach(size IN LISTS LOBSHOT_ICON_SIZES)
    install(FILES "${LOBSHOT_ICON_DIR}/lobshot-${size}.png"
      DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME lobshot.png)
  endforeach()

  if(LOBSHOT_BUILD_TESTS)
    string(REPLACE ";" "," icon_sizes "${LOBSHOT_ICON_SIZES}")
    add_test(NAME install.layout
      COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-check
              -DICON_SIZES=${icon_sizes} -DAPP_ID=${LOBSHOT_APPSTREAM_ID} -DBINDIR=${CMAKE_INSTALL_BINDIR}
              -DRUNNERDIR=${LOBSHOT_RUNNER_DIR}
              -DDATADIR=${CMAKE_INSTALL_DATADIR} -DMANDIR=${CMAKE_INSTALL_MANDIR}
              -P ${CMAKE_SOURCE_DIR}/cmake/CheckInstall.cmake)
  endif()
endif()
