# Installing the desktop entry, the icon and the manual page lobshot(6).
#
# The game and the replay runner go to bin by their own rules; here the desktop entry, the icon in
# each size of the icon theme and the manual page. A test installs into a scratch prefix and checks
# what arrives.

install(FILES "${CMAKE_SOURCE_DIR}/docs/lobshot.6" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")

if(LOBSHOT_BUILD_GAME)
  add_subdirectory("${CMAKE_SOURCE_DIR}/tools/icon")
  install(FILES "${CMAKE_SOURCE_DIR}/resources/lobshot.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  foreach(size IN LISTS LOBSHOT_ICON_SIZES)
    install(FILES "${LOBSHOT_ICON_DIR}/lobshot-${size}.png"
      DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME lobshot.png)
  endforeach()

  if(LOBSHOT_BUILD_TESTS)
    string(REPLACE ";" "," icon_sizes "${LOBSHOT_ICON_SIZES}")
    add_test(NAME install.layout
      COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-check
              -DICON_SIZES=${icon_sizes} -DBINDIR=${CMAKE_INSTALL_BINDIR}
              -DDATADIR=${CMAKE_INSTALL_DATADIR} -DMANDIR=${CMAKE_INSTALL_MANDIR}
              -P ${CMAKE_SOURCE_DIR}/cmake/CheckInstall.cmake)
  endif()
endif()
