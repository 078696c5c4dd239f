# Plays a replay made before the computer had five levels (format 1, whose easy, normal and hard are
# the early levels) and checks that it ends in the state its recording ended in.
get_filename_component(name ${REPLAY} NAME_WE)
get_filename_component(dir ${REPLAY} DIRECTORY)
file(MAKE_DIRECTORY ${WORK})
set(played ${WORK}/${name}.played.json)
file(REMOVE ${played})
execute_process(COMMAND ${RUNNER} --replay ${REPLAY} --state ${played}
  RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${name}: ${RUNNER} --replay ${REPLAY} exited ${status}\n${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dir}/${name}.json ${played} RESULT_VARIABLE differs)
if(differs)
  file(READ ${dir}/${name}.json want)
  file(READ ${played} got)
  message(FATAL_ERROR "${name}: the early levels play differently\n${dir}/${name}.json:\n${want}\n${played}:\n${got}")
endif()
