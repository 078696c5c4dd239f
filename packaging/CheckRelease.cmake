# Checks that what the package takes from the sources agrees with the project:
#   cmake -DVERSION=V -DCHANGELOG=F -DMETAINFO=F -DMANPAGE=F -DSCREENSHOTS=A.png,B.png -P CheckRelease.cmake
# The changelog's newest entry, the metainfo's newest release and the manual page's title name the
# version V, and every screenshot is a PNG picture of at least 1280x800 pixels.

include("${CMAKE_CURRENT_LIST_DIR}/Releases.cmake")
set(faults "")

lobshot_read_changelog("${CHANGELOG}" changelog_version releases)
if(NOT changelog_version STREQUAL VERSION)
  list(APPEND faults "the changelog's newest entry is ${changelog_version}, not ${VERSION}")
endif()

file(READ "${METAINFO}" metainfo)
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  list(APPEND faults "the metainfo's newest release is ${CMAKE_MATCH_1}, not ${VERSION}")
endif()

file(STRINGS "${MANPAGE}" title REGEX "^\\.TH ")
if(NOT title MATCHES "\"Lobshot ${VERSION}\"")
  list(APPEND faults "the manual page's title (${title}) does not name Lobshot ${VERSION}")
endif()

# A PNG file's header: the signature, then the IHDR chunk with the width and height.
string(REPLACE "," ";" screenshots "${SCREENSHOTS}")
foreach(picture IN LISTS screenshots)
  if(NOT EXISTS "${picture}")
    list(APPEND faults "${picture} is missing (docs/make-screenshots.sh makes it)")
    continue()
  endif()
  file(READ "${picture}" header LIMIT 24 HEX)
  if(NOT header MATCHES "^89504e470d0a1a0a0000000d49484452(........)(........)$")
    list(APPEND faults "${picture} is not a PNG picture")
    continue()
  endif()
  math(EXPR width "0x${CMAKE_MATCH_1}")
  math(EXPR height "0x${CMAKE_MATCH_2}")
  if(width LESS 1280 OR height LESS 800)
    list(APPEND faults "${picture} is ${width}x${height}, less than 1280x800")
  endif()
endforeach()

if(faults)
  string(REPLACE ";" "\n  " faults "${faults}")
  message(FATAL_ERROR "The package does not agree with the project:\n  ${faults}")
endif()
message(STATUS "Version ${VERSION} everywhere; the screenshots are large enough")
