# Puts CPack's staged files in the shape Debian wants, just before they are packed.
#
# The manual pages and the changelog are compressed (gzip -9n, so the package is the same from build
# to build), the replay runner gets its manual page as a link to the game's, which describes both,
# the programs (stripped by CPack) lose the compiler's notes as well, and every directory and file
# gets the usual permissions whatever the builder's umask.

file(GLOB_RECURSE staged_docs LIST_DIRECTORIES false
  "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man6/lobshot.6"
  "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/*/man6/lobshot.6"
  "${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/lobshot/changelog")
if(NOT staged_docs)
  message(FATAL_ERROR "StageDeb: no manual page or changelog under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
find_program(GZIP gzip REQUIRED)
foreach(doc IN LISTS staged_docs)
  execute_process(COMMAND "${GZIP}" -9nf "${doc}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "StageDeb: gzip failed on ${doc}")
  endif()
  if(doc MATCHES "/share/man/man6/lobshot\\.6$")
    get_filename_component(man6 "${doc}" DIRECTORY)
    file(WRITE "${man6}/lobshot-headless.6" ".so man6/lobshot.6\n")
    execute_process(COMMAND "${GZIP}" -9nf "${man6}/lobshot-headless.6")
  endif()
endforeach()

file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/games/*" "${CPACK_TEMPORARY_DIRECTORY}/usr/lib/games/lobshot/*")
find_program(STRIP strip REQUIRED)
foreach(program IN LISTS programs)
  execute_process(COMMAND "${STRIP}" --remove-section=.comment --remove-section=.note "${program}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "StageDeb: strip failed on ${program}")
  endif()
endforeach()

execute_process(COMMAND chmod -R u=rwX,go=rX "${CPACK_TEMPORARY_DIRECTORY}")
