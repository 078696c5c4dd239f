# Keeps the rules' version honest: the golden files (the expected state of every scenario that the
# rules alone decide, and the recorded computers' replay and state) are fingerprinted, and the
# fingerprint recorded with the rules' version in tests/golden.fingerprint. A change to a golden
# file is a change to what the game computes, so it must come with a new RULES_VERSION
# (core/rules_version.h); replays, network games and the page's cache key on it. The scenarios in
# which computers think (computer_*) are left out: their keys change with the computer players,
# and a replay keeps those keys, so it plays the same whatever the computers now would do.
#
# Usage: cmake -DSOURCE=DIR -DRULES=N -P golden.cmake (N the RULES_VERSION the build has).
file(GLOB golden RELATIVE ${SOURCE} ${SOURCE}/tests/scenarios/*.json ${SOURCE}/tests/scenarios/*.status
     ${SOURCE}/tests/replay/computers/two_matches.*)
list(FILTER golden EXCLUDE REGEX "^tests/scenarios/computer_")
list(SORT golden)
set(listing "")
foreach(file IN LISTS golden)
  file(SHA256 ${SOURCE}/${file} hash)
  string(APPEND listing "${file} ${hash}\n")
endforeach()
string(SHA256 fingerprint "${listing}")

set(record ${SOURCE}/tests/golden.fingerprint)
file(STRINGS ${record} recorded LIMIT_COUNT 1)
set(wanted "rules ${RULES} fingerprint ${fingerprint}")
if(recorded STREQUAL wanted)
  return()
endif()
if(recorded MATCHES "^rules ${RULES} ")
  message(FATAL_ERROR "The golden files changed but the rules' version did not: raise RULES_VERSION "
                      "in core/rules_version.h and write the line below in tests/golden.fingerprint.\n"
                      "rules N fingerprint ${fingerprint}\n(N the new version)")
endif()
message(FATAL_ERROR "tests/golden.fingerprint records \"${recorded}\"; with RULES_VERSION ${RULES} and "
                    "these golden files it must read:\n${wanted}")
