# The program on a machine whose settings cannot be written starts on its defaults held in memory, says
# once that its settings will not be kept and why, and runs to its end: with a folder in the settings
# file's place, with a file where the settings' folder should be, and with the settings pointed where
# nothing can be made (under /proc). One whose file is there and cannot be read (no permission to read it,
# or far larger than any store) never writes over it, and leaves it byte for byte as it was.
# Called as: cmake -DPROGRAM=<vael> -DDIR=<scratch directory> -P unwritable_settings.cmake
# No display for the box that says so to wait on; the program closes its window after a while.
include("${CMAKE_CURRENT_LIST_DIR}/no_display.cmake")
vael_without_display("${DIR}" "${DIR}/data")

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
function(start what config expected)
  execute_process(COMMAND ${ARGN} "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${config}" "${PROGRAM}" --quit-after 500
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  string(REGEX MATCHALL "the settings will not be kept" said "${err}")
  list(LENGTH said times)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR NOT times EQUAL 1
     OR NOT err MATCHES "${expected}")
    message(FATAL_ERROR "${what}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  message(STATUS "${what}: ${err}")
endfunction()

# A file of the player's that only its owner may read, met by a player without the right to read it: run
# as an ordinary user, since the owner of all rights reads it anyway. The folder is the player's to write.
set(held "[User\\SOFTWARE\\Tamblor\\Iron Vigils\\Preferences]\n\"Volume\"=dword:00000031\n")
file(MAKE_DIRECTORY "${DIR}/locked/vael")
file(WRITE "${DIR}/locked/vael/settings.ini" "${held}")
execute_process(COMMAND chmod 000 "${DIR}/locked/vael/settings.ini")
execute_process(COMMAND chmod 0777 "${DIR}" "${DIR}/locked" "${DIR}/locked/vael")
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  execute_process(COMMAND setpriv --reuid=65534 --regid=65534 --clear-groups true RESULT_VARIABLE can)
  if(NOT can EQUAL 0)
    message(FATAL_ERROR "no ordinary user to run the program as (setpriv: ${can})")
  endif()
  set(player setpriv --reuid=65534 --regid=65534 --clear-groups)
  # A checkout in a folder only its owner may enter (root's home, say) holds a program no ordinary user
  # can start: the case cannot be played there, which is said rather than taken for a fault.
  execute_process(COMMAND ${player} "${PROGRAM}" --version RESULT_VARIABLE runs OUTPUT_QUIET ERROR_QUIET)
  if(NOT runs EQUAL 0)
    message(STATUS "skipped: an ordinary user cannot start ${PROGRAM}, so the unreadable file is not tried")
    set(player SKIP)
  endif()
else()
  set(player)
endif()
# The player's own state and trace, where an ordinary user may make them.
set(ENV{XDG_STATE_HOME} "${DIR}/player-state")
set(ENV{VAEL_TRACE} "${DIR}/player-trace")
if(NOT player STREQUAL "SKIP")
  start("a file that may not be read" "${DIR}/locked"
        "settings will not be kept: cannot open ${DIR}/locked/vael/settings.ini: Permission denied; it is left as it is"
        ${player})
endif()
execute_process(COMMAND chmod 0400 "${DIR}/locked/vael/settings.ini")
set(ENV{XDG_STATE_HOME} "${DIR}/state")
set(ENV{VAEL_TRACE} "${DIR}/trace")
file(READ "${DIR}/locked/vael/settings.ini" after)
if(NOT after STREQUAL "${held}")
  message(FATAL_ERROR "the settings that could not be read now hold [${after}]")
endif()
file(GLOB left RELATIVE "${DIR}/locked/vael" "${DIR}/locked/vael/*" "${DIR}/locked/vael/.*")
if(NOT left STREQUAL "settings.ini")
  message(FATAL_ERROR "beside the settings that could not be read: [${left}]")
endif()

# Two megabytes, sparse: a preference at its start, and zeros.
file(MAKE_DIRECTORY "${DIR}/large/vael")
file(WRITE "${DIR}/large/vael/settings.ini" "${held}")
execute_process(COMMAND truncate -s 2M "${DIR}/large/vael/settings.ini")
file(SHA256 "${DIR}/large/vael/settings.ini" before)
start("a file of two megabytes" "${DIR}/large"
      "settings will not be kept: ${DIR}/large/vael/settings.ini is too large: 2097152 bytes, where at most 1048576 are expected; it is left as it is")
file(SHA256 "${DIR}/large/vael/settings.ini" after)
file(SIZE "${DIR}/large/vael/settings.ini" size)
if(NOT after STREQUAL before OR NOT size EQUAL 2097152)
  message(FATAL_ERROR "the two-megabyte settings are now ${size} bytes")
endif()
file(REMOVE_RECURSE "${DIR}")
