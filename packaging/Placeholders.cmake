# lobshot_check_identity(): finds the publishing options (Identity.cmake) that still hold a
# placeholder, a name or address under example.org/.com/.net or org.example/com.example; with
# LOBSHOT_RELEASE on, stops the configuration naming them, else only notes them.

set(lobshot_identity_options LOBSHOT_APPSTREAM_ID LOBSHOT_HOMEPAGE LOBSHOT_BUG_TRACKER
  LOBSHOT_PACKAGE_MAINTAINER LOBSHOT_COPYRIGHT_HOLDER)
set(lobshot_placeholder_pattern "(^|[^a-z0-9-])example\\.(org|com|net)([^a-z0-9-]|$)|^(org|com|net)\\.example(\\.|$)")

function(lobshot_check_identity)
  set(placeholders "")
  foreach(option IN LISTS lobshot_identity_options)
    string(TOLOWER "${${option}}" value)
    if(value STREQUAL "" OR value MATCHES "${lobshot_placeholder_pattern}")
      list(APPEND placeholders "${option}")
    endif()
  endforeach()
  if(NOT LOBSHOT_APPSTREAM_ID MATCHES "^[a-z][a-z0-9_-]*(\\.[a-z0-9_-]+)+$")
    message(FATAL_ERROR "LOBSHOT_APPSTREAM_ID \"${LOBSHOT_APPSTREAM_ID}\" is not a reverse domain name "
      "in lower case, as org.example.lobshot")
  endif()
  if(NOT placeholders)
    return()
  endif()
  string(REPLACE ";" ", " names "${placeholders}")
  if(LOBSHOT_RELEASE)
    message(FATAL_ERROR "A release build needs the project's own names and addresses, and these "
      "still hold placeholders (packaging/Identity.cmake): ${names}")
  endif()
  message(STATUS "Placeholders, to be set before publishing: ${names}")
endfunction()
