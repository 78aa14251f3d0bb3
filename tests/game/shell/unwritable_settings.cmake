# The program on a machine whose settings cannot be written starts on its defaults held in memory, says
# once that its settings will not be kept and why, and runs to its end: with a folder in the settings
# file's place, with a file where the settings' folder should be, and with the settings pointed where
# nothing can be made (under /proc).
# Called as: cmake -DPROGRAM=<vael> -DDIR=<scratch directory> -P unwritable_settings.cmake
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
# SDL's dummy video driver stands in for a display, and the program closes its window after a while.
set(ENV{SDL_VIDEODRIVER} dummy)
set(ENV{XDG_STATE_HOME} "${DIR}/state")
set(ENV{XDG_DATA_HOME} "${DIR}/data")
set(ENV{VAEL_TRACE} "${DIR}/trace")

file(MAKE_DIRECTORY "${DIR}/folder/vael/settings.ini")
file(WRITE "${DIR}/file" "a file where the settings' folder should be\n")
foreach(case "folder" "file" "/proc/vael-nowhere")
  if(case MATCHES "^/")
    set(config "${case}")
  else()
    set(config "${DIR}/${case}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${config}" "${PROGRAM}" --quit-after 1500
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  string(REGEX MATCHALL "the settings will not be kept" said "${err}")
  list(LENGTH said times)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR NOT times EQUAL 1)
    message(FATAL_ERROR "settings in ${config}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  message(STATUS "settings in ${config}: ${err}")
endforeach()
if(NOT IS_DIRECTORY "${DIR}/folder/vael/settings.ini")
  message(FATAL_ERROR "the folder in the settings file's place is gone")
endif()
file(REMOVE_RECURSE "${DIR}")
