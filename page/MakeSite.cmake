# Makes the folder to publish (cmake -P, from Site.cmake): SITE emptied and filled with FILES, then
# beside each compressible one its gzip and brotli copies at their strongest settings.
#   cmake -DFILES=a;b;... -DSITE=DIR -DGZIP=PROGRAM -DBROTLI=PROGRAM -P MakeSite.cmake

file(REMOVE_RECURSE ${SITE})
file(MAKE_DIRECTORY ${SITE})
file(COPY ${FILES} DESTINATION ${SITE})

# PNG files are compressed already; everything else is text or WebAssembly.
file(GLOB published LIST_DIRECTORIES false ${SITE}/*)
foreach(path IN LISTS published)
  if(path MATCHES "\\.png$")
    continue()
  endif()
  execute_process(COMMAND ${GZIP} -9 -n -k -f ${path} RESULT_VARIABLE gzip_status)
  execute_process(COMMAND ${BROTLI} -q 11 -k -f ${path} RESULT_VARIABLE brotli_status)
  if(NOT gzip_status EQUAL 0 OR NOT brotli_status EQUAL 0)
    message(FATAL_ERROR "cannot compress ${path}")
  endif()
endforeach()
