# A benchmark program run to its end with HOME at an empty folder, the XDG folders unset and the temporary
# folder at another empty one (BENCH, its ARGS, DIR): both folders are as empty after it as before, the
# player's home untouched and the benchmark's own home taken away.
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}/home" "${DIR}/tmp")
# With SIGNAL (TERM) the benchmark is sent it a second after it starts, in the middle of its work, and must
# end by it: its home goes all the same.
set(run "${BENCH}" ${ARGS})
if(SIGNAL)
  # Lines, not semicolons, which would split the script as a list.
  set(run sh -c "\"$0\" \"$@\" & pid=$!\nsleep 1\nkill -${SIGNAL} $pid\nwait $pid" ${run})
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${DIR}/home" "TMPDIR=${DIR}/tmp" --unset=XDG_CONFIG_HOME
                        --unset=XDG_DATA_HOME --unset=XDG_STATE_HOME --unset=XDG_CACHE_HOME --unset=XDG_RUNTIME_DIR
                        --unset=VAEL_TRACE ${run}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(expected 0)
if(SIGNAL STREQUAL "TERM")
  set(expected 143)
endif()
if(NOT rc EQUAL expected)
  message(FATAL_ERROR "${BENCH}: exit ${rc}, not ${expected}\n${out}\n${err}")
endif()
foreach(folder home tmp)
  file(GLOB_RECURSE left LIST_DIRECTORIES true RELATIVE "${DIR}/${folder}" "${DIR}/${folder}/*")
  if(left)
    list(JOIN left "\n  " named)
    message(FATAL_ERROR "${BENCH} left in ${folder}:\n  ${named}")
  endif()
endforeach()
file(REMOVE_RECURSE "${DIR}")
