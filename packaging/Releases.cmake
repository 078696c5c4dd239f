# lobshot_read_changelog(CHANGELOG OUT_VERSION OUT_RELEASES): reads the Debian changelog, the one
# record of the releases, newest first; OUT_VERSION gets the newest entry's version and
# OUT_RELEASES the metainfo's <release> elements, one for each entry, its items as a list.
#
# An entry reads as Debian writes it:
#
#     lobshot (0.2) unstable; urgency=medium
#
#       * One change, which may go on
#         over several lines.
#       * Another change.
#
#      -- Name <address>  Mon, 07 Dec 2026 12:00:00 +0000
#
# Anything else stops the configuration with the file and line.

function(lobshot_xml_escape text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(lobshot_read_changelog changelog out_version out_releases)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  # One list element a line; a semicolon, CMake's list separator, stands as "<semicolon>" meanwhile.
  file(READ "${changelog}" text)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(releases "")
  set(newest "")
  set(version "")
  set(items "")
  set(item "")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^lobshot \\(([0-9][0-9A-Za-z.+~-]*)\\) [a-z-]+<semicolon> urgency=[a-z]+$")
      # An entry begins.
      if(NOT version STREQUAL "")
        message(FATAL_ERROR "${changelog}:${number}: the entry for ${version} has no closing line")
      endif()
      set(version "${CMAKE_MATCH_1}")
      if(newest STREQUAL "")
        set(newest "${version}")
      endif()
    elseif(line MATCHES "^  \\* (.+)$" AND NOT version STREQUAL "")
      # An item begins; the one before is whole.
      if(NOT item STREQUAL "")
        list(APPEND items "${item}")
      endif()
      set(item "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^    +(.+)$" AND NOT item STREQUAL "")
      string(APPEND item " ${CMAKE_MATCH_1}")
    elseif(line MATCHES "^ -- .+  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) [0-9:]+ [+-][0-9]+$"
           AND NOT version STREQUAL "")
      # The entry ends: its release, with its date and items.
      set(day "${CMAKE_MATCH_1}")
      set(year "${CMAKE_MATCH_3}")
      list(FIND months "${CMAKE_MATCH_2}" month)
      if(month LESS 0)
        message(FATAL_ERROR "${changelog}:${number}: unknown month ${CMAKE_MATCH_2}")
      endif()
      math(EXPR month "${month} + 1")
      if(month LESS 10)
        set(month "0${month}")
      endif()
      if(NOT item STREQUAL "")
        list(APPEND items "${item}")
      endif()
      if(NOT items)
        message(FATAL_ERROR "${changelog}:${number}: the entry for ${version} lists no change")
      endif()
      string(APPEND releases "    <release version=\"${version}\" date=\"${year}-${month}-${day}\">\n"
                             "      <description>\n        <ul>\n")
      foreach(one IN LISTS items)
        string(REPLACE "<semicolon>" ";" one "${one}")
        lobshot_xml_escape("${one}" one)
        string(APPEND releases "          <li>${one}</li>\n")
      endforeach()
      string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
      set(version "")
      set(items "")
      set(item "")
    elseif(NOT line STREQUAL "")
      message(FATAL_ERROR "${changelog}:${number}: not a line of a Debian changelog: ${line}")
    endif()
  endforeach()
  if(newest STREQUAL "" OR NOT version STREQUAL "")
    message(FATAL_ERROR "${changelog}: no whole entry")
  endif()
  set(${out_version} "${newest}" PARENT_SCOPE)
  set(${out_releases} "${releases}" PARENT_SCOPE)
endfunction()
