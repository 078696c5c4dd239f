# The release check of the publishing options on its own, for the tests:
#   cmake [-DLOBSHOT_RELEASE=ON] [-DLOBSHOT_HOMEPAGE=...]... -P CheckIdentity.cmake
# Options not given take Identity.cmake's defaults; it fails as a release configuration would.

set(defaults_file "${CMAKE_CURRENT_LIST_DIR}/Identity.cmake")
file(STRINGS "${defaults_file}" lines REGEX "^set\\(LOBSHOT_[A-Z_]+ \"")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^set\\((LOBSHOT_[A-Z_]+) \"([^\"]*)\"" _ "${line}")
  if(NOT DEFINED ${CMAKE_MATCH_1})
    set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/Placeholders.cmake")
lobshot_check_identity()
message(STATUS "The publishing options are ${LOBSHOT_APPSTREAM_ID}, ${LOBSHOT_HOMEPAGE}, "
  "${LOBSHOT_BUG_TRACKER}, ${LOBSHOT_PACKAGE_MAINTAINER}, ${LOBSHOT_COPYRIGHT_YEARS} ${LOBSHOT_COPYRIGHT_HOLDER}")
