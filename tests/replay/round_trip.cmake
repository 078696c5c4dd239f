# Records a scenario's run with --record, plays the recording back with --replay and checks that
# both runs end in the same state snapshot, the scenario's expected one. EXTRA options go to two more
# runs of the script and of the replay afterwards (e.g. --frames 300, which adds steps after the
# script and after the replay alike), whose states must agree too.
get_filename_component(name ${SCRIPT} NAME_WE)
get_filename_component(dir ${SCRIPT} DIRECTORY)
file(MAKE_DIRECTORY ${WORK})
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

# run(OUTPUT ARGS...): runs the runner, which must succeed, writing its state to OUTPUT.
function(run output)
  execute_process(COMMAND ${RUNNER} ${ARGN} --state ${output}
    RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: ${RUNNER} ${ARGN} exited ${status}\n${err}")
  endif()
endfunction()

# same(A B WHAT): the two state snapshots are the same.
function(same a b what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE differs)
  if(differs)
    file(READ ${a} want)
    file(READ ${b} got)
    message(FATAL_ERROR "${name}: ${what}\n${a}:\n${want}\n${b}:\n${got}")
  endif()
endfunction()

run(${scripted} ${args} --script ${SCRIPT} --record ${recorded})
run(${played} --replay ${recorded})
same(${scripted} ${played} "the replay ends elsewhere than the run it recorded")
same(${dir}/${name}.json ${played} "the replay's state differs from the scenario's")
if(extra)
  run(${scripted}.extra ${args} --script ${SCRIPT} ${extra})
  run(${played}.extra --replay ${recorded} ${extra})
  same(${scripted}.extra ${played}.extra "${EXTRA} after the replay ends elsewhere than after the script")
endif()
