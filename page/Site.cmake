# The folder to publish, build-web/site/: only what a server gives players (the page, its script and
# WebAssembly, the web app manifest, the icons and the service worker), each compressible file with
# a gzip (.gz) and a brotli (.br) copy beside it for servers that send those as they are.

find_program(LOBSHOT_GZIP gzip REQUIRED)
find_program(LOBSHOT_BROTLI brotli)
if(NOT LOBSHOT_BROTLI)
  message(FATAL_ERROR "brotli is missing: run scripts/install-deps.sh --web")
endif()

# The icons, made from the game's pixel art by tools/webicon.
set(lobshot_web_icon_dir ${CMAKE_BINARY_DIR}/generated/webicon)
set(lobshot_web_icons icon-32.png icon-192.png icon-512.png icon-maskable-512.png)
list(TRANSFORM lobshot_web_icons PREPEND ${lobshot_web_icon_dir}/ OUTPUT_VARIABLE lobshot_web_icon_files)
add_custom_command(
  OUTPUT ${lobshot_web_icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${lobshot_web_icon_dir}
  COMMAND make_web_icons ${CMAKE_SOURCE_DIR}/resources/icon/icon.txt ${lobshot_web_icon_dir}
  DEPENDS make_web_icons ${CMAKE_SOURCE_DIR}/resources/icon/icon.txt
  COMMENT "Making the page's icons"
  VERBATIM)

# The manifest and the service worker, whose cache carries the game's version and its rules'.
set(lobshot_site_generated ${CMAKE_BINARY_DIR}/generated/page)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/manifest.webmanifest.in ${lobshot_site_generated}/manifest.webmanifest @ONLY)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/sw.js.in ${lobshot_site_generated}/sw.js @ONLY)

# The folder, made anew from these files after every link of the page.
set(lobshot_site_files ${CMAKE_BINARY_DIR}/index.html ${CMAKE_BINARY_DIR}/index.js ${CMAKE_BINARY_DIR}/index.wasm
    ${lobshot_site_generated}/manifest.webmanifest ${lobshot_site_generated}/sw.js ${lobshot_web_icon_files})
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/site/index.html.br
  COMMAND ${CMAKE_COMMAND} "-DFILES=${lobshot_site_files}" -DSITE=${CMAKE_BINARY_DIR}/site
          -DGZIP=${LOBSHOT_GZIP} -DBROTLI=${LOBSHOT_BROTLI} -P ${CMAKE_CURRENT_SOURCE_DIR}/MakeSite.cmake
  DEPENDS lobshot-web ${lobshot_site_files} ${CMAKE_CURRENT_SOURCE_DIR}/MakeSite.cmake
  COMMENT "Making the folder to publish, site/"
  VERBATIM)
add_custom_target(lobshot_site ALL DEPENDS ${CMAKE_BINARY_DIR}/site/index.html.br)
