# Plays replays with the runner. With SCRIPT, a scenario's run is recorded with --record and played
# back with --replay: both runs end in the scenario's expected state; EXTRA options go to one more
# run of each (e.g. --frames 300, which adds steps after the script and after the replay alike),
# whose states must agree too. With REPLAY, a recording that holds the computer players' keys ends
# in the state its recording ended in, and elsewhere with its computers' X keys made Z (the barrel's
# other way): the computers' keys come from the file, not from their code.
file(MAKE_DIRECTORY ${WORK})

# run(OUTPUT ARGS...): runs the runner, which must succeed, writing its state to OUTPUT.
function(run output)
  execute_process(COMMAND ${RUNNER} ${ARGN} --state ${output}
    RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${RUNNER} ${ARGN} exited ${status}\n${err}")
  endif()
endfunction()

# same(A B WHAT): the two state snapshots are the same.
function(same a b what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE differs)
  if(differs)
    file(READ ${a} want)
    file(READ ${b} got)
    message(FATAL_ERROR "${what}\n${a}:\n${want}\n${b}:\n${got}")
  endif()
endfunction()

if(REPLAY)
  get_filename_component(name ${REPLAY} NAME_WE)
  get_filename_component(dir ${REPLAY} DIRECTORY)
  set(played ${WORK}/${name}.played.json)
  run(${played} --replay ${REPLAY})
  same(${dir}/${name}.json ${played} "the replay ends elsewhere than its recording did")
  file(READ ${REPLAY} text)
  string(REPLACE " computer 88\n" " computer 90\n" altered "${text}")
  if(altered STREQUAL text)
    message(FATAL_ERROR "${name}: the replay holds no computer's X to change")
  endif()
  file(WRITE ${WORK}/${name}.altered.lobshot-replay "${altered}")
  run(${played}.altered --replay ${WORK}/${name}.altered.lobshot-replay)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${played} ${played}.altered RESULT_VARIABLE differs)
  if(NOT differs)
    message(FATAL_ERROR "${name}: changed computer keys changed nothing: the computers played by themselves")
  endif()
  return()
endif()

get_filename_component(name ${SCRIPT} NAME_WE)
get_filename_component(dir ${SCRIPT} DIRECTORY)
file(STRINGS ${SCRIPT} first LIMIT_COUNT 1)
set(args "")
if(first MATCHES "^# args: (.*)$")
  separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
endif()
separate_arguments(extra UNIX_COMMAND "${EXTRA}")
set(recorded ${WORK}/${name}${SUFFIX}.lobshot-replay)
set(played ${WORK}/${name}${SUFFIX}.played.json)
set(scripted ${WORK}/${name}${SUFFIX}.scripted.json)
file(REMOVE ${recorded} ${played} ${scripted})
run(${scripted} ${args} --script ${SCRIPT} --record ${recorded})
run(${played} --replay ${recorded})
same(${scripted} ${played} "${name}: the replay ends elsewhere than the run it recorded")
same(${dir}/${name}.json ${played} "${name}: the replay's state differs from the scenario's")
if(extra)
  run(${scripted}.extra ${args} --script ${SCRIPT} ${extra})
  run(${played}.extra --replay ${recorded} ${extra})
  same(${scripted}.extra ${played}.extra "${name}: ${EXTRA} after the replay ends elsewhere than after the script")
endif()
