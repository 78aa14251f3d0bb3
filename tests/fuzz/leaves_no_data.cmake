# Runs a fuzz target's replay with a temporary directory of its own and fails when the run leaves anything
# in it: the data a target forges for itself must go when the program ends.
# cmake -DPROGRAM=<target> -DCORPUS=<seed folder> -DTEMP=<empty folder to use> -P leaves_no_data.cmake
file(REMOVE_RECURSE "${TEMP}")
file(MAKE_DIRECTORY "${TEMP}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "TMPDIR=${TEMP}" "${PROGRAM}" "${CORPUS}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed: ${result}")
endif()
file(GLOB left "${TEMP}/*")
if(left)
  message(FATAL_ERROR "${PROGRAM} left behind: ${left}")
endif()
file(REMOVE_RECURSE "${TEMP}")
