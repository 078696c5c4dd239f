# Installing the desktop entry, the icon and the manual page lobshot(6) with its translations.
#
# The game goes to bin and the replay runner to lib/games/lobshot by their own rules; here the
# desktop entry (named for the application's id, packaging/Identity.cmake), the icon in each size of
# the icon theme and the manual page. A test installs into a scratch prefix and checks what arrives.

# The page as it stands in the sources, but naming the bug tracker's address (LOBSHOT_BUG_TRACKER);
# the English one (docs/lobshot.6) and its shorter translations (docs/man/LANG/lobshot.6), each in
# its language's folder of the manual.
function(lobshot_install_manual_page source generated destination)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  file(READ "${source}" manual_page)
  string(REGEX REPLACE "\n\\.ds Bt [^\n]*" "\n.ds Bt ${LOBSHOT_BUG_TRACKER}" manual_page "${manual_page}")
  set(installed_page "")
  if(EXISTS "${generated}")
    file(READ "${generated}" installed_page)
  endif()
  if(NOT installed_page STREQUAL manual_page)
    file(WRITE "${generated}" "${manual_page}")
  endif()
  install(FILES "${generated}" DESTINATION "${destination}")
endfunction()
lobshot_install_manual_page("${CMAKE_SOURCE_DIR}/docs/lobshot.6" "${CMAKE_BINARY_DIR}/generated/lobshot.6"
  "${CMAKE_INSTALL_MANDIR}/man6")
foreach(language de fr es)
  lobshot_install_manual_page("${CMAKE_SOURCE_DIR}/docs/man/${language}/lobshot.6"
    "${CMAKE_BINARY_DIR}/generated/man/${language}/lobshot.6" "${CMAKE_INSTALL_MANDIR}/${language}/man6")
endforeach()

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
