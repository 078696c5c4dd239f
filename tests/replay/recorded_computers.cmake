# Plays a replay that holds the computer players' keys and checks that it ends in the state its
# recording ended in; then the same replay with one computer key changed (Z, the barrel's other way,
# for the first X) must end elsewhere: the computers' keys come from the file, not from their code.
get_filename_component(name ${REPLAY} NAME_WE)
get_filename_component(dir ${REPLAY} DIRECTORY)
file(MAKE_DIRECTORY ${WORK})
set(played ${WORK}/${name}.played.json)
set(altered ${WORK}/${name}.altered.lobshot-replay)
file(REMOVE ${played} ${played}.altered)

# play(REPLAY OUTPUT): plays the replay, which must succeed, writing its state to OUTPUT.
function(play replay output)
  execute_process(COMMAND ${RUNNER} --replay ${replay} --state ${output}
    RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: ${RUNNER} --replay ${replay} exited ${status}\n${err}")
  endif()
endfunction()

play(${REPLAY} ${played})
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${dir}/${name}.json ${played} RESULT_VARIABLE differs)
if(differs)
  file(READ ${played} got)
  message(FATAL_ERROR "${name}: the replay ends elsewhere than its recording did; got:\n${got}")
endif()

file(READ ${REPLAY} text)
string(FIND "${text}" " computer 88\n" at)
if(at LESS 0)
  message(FATAL_ERROR "${name}: the replay holds no computer's X to change")
endif()
string(SUBSTRING "${text}" 0 ${at} before)
math(EXPR after "${at} + 13")
string(SUBSTRING "${text}" ${after} -1 rest)
file(WRITE ${altered} "${before} computer 90\n${rest}")
play(${altered} ${played}.altered)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${played} ${played}.altered RESULT_VARIABLE differs)
if(NOT differs)
  message(FATAL_ERROR "${name}: a changed computer key changed nothing: the computers played by themselves")
endif()
