# The program on a machine whose settings cannot be written starts on its defaults held in memory, says
# once that its settings will not be kept and why, and runs to its end: with a folder in the settings
# file's place, with a file where the settings' folder should be, and with the settings pointed where
# nothing can be made (under /proc). One whose file is there and cannot be read (no permission to read it,
# or far larger than any store) never writes over it, and leaves it byte for byte as it was.
# A file the player made read-only is read and left as it is, with a word; one edited by hand keeps its own
# lines.
# Called as:
#   cmake -DPROGRAM=<vael> -DDATA=<data directory> -DDIR=<scratch directory> -P unwritable_settings.cmake
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
# Everything that user must reach is set up where it can reach it, wherever the checkout is (a checkout in
# a folder only its owner may enter, root's home say, is out of its reach): a fresh folder under the
# system's temporary one holding the program and its data as an installed program finds them, and the
# player's settings, state, saves and trace.
set(held "[User\\SOFTWARE\\Tamblor\\Iron Vigils\\Preferences]\n\"Volume\"=dword:00000031\n")
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
set(player)
if(uid STREQUAL "0")
  execute_process(COMMAND setpriv --reuid=65534 --regid=65534 --clear-groups true RESULT_VARIABLE can)
  if(can EQUAL 0)
    set(player setpriv --reuid=65534 --regid=65534 --clear-groups)
  else()
    message(STATUS "skipped: root may not become an ordinary user here (setpriv: ${can}), and root reads "
                   "every file, so the unreadable file is not tried")
    set(player SKIP)
  endif()
endif()
if(NOT player STREQUAL "SKIP")
  execute_process(COMMAND mktemp -d -t vael-player-XXXXXX OUTPUT_VARIABLE home
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND chmod 0755 "${home}")
  execute_process(COMMAND ${player} test -x "${home}" RESULT_VARIABLE reach)
  if(NOT reach EQUAL 0) # the temporary folder named by TMPDIR is out of reach too
    file(REMOVE_RECURSE "${home}")
    execute_process(COMMAND mktemp -d /tmp/vael-player-XXXXXX OUTPUT_VARIABLE home
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND chmod 0755 "${home}")
  endif()
  # Linked where the folder is on the same disk; else, or where the linked files are their builder's alone
  # (a build made under a strict umask: a link shares the build's own mode, not ours to change), copied and
  # made readable by all. The folders are made open to all whatever the umask of the run.
  file(MAKE_DIRECTORY "${home}/bin" "${home}/share")
  execute_process(COMMAND chmod 0755 "${home}/bin" "${home}/share")
  file(CREATE_LINK "${PROGRAM}" "${home}/bin/vael" COPY_ON_ERROR)
  execute_process(COMMAND cp -al "${DATA}" "${home}/share/vael" RESULT_VARIABLE linked ERROR_QUIET)
  execute_process(COMMAND ${player} test -x "${home}/bin/vael" -a -r "${home}/share/vael/vael.pal"
                  RESULT_VARIABLE reach)
  if(NOT linked EQUAL 0 OR NOT reach EQUAL 0)
    file(REMOVE "${home}/bin/vael")
    file(REMOVE_RECURSE "${home}/share/vael")
    execute_process(COMMAND cp "${PROGRAM}" "${home}/bin/vael")
    execute_process(COMMAND cp -r "${DATA}" "${home}/share/vael")
    execute_process(COMMAND chmod -R a+rX "${home}/bin/vael" "${home}/share/vael")
    execute_process(COMMAND ${player} test -x "${home}/bin/vael" -a -r "${home}/share/vael/vael.pal"
                    RESULT_VARIABLE reach)
  endif()
  set(locked "${home}/locked/vael/settings.ini")
  file(MAKE_DIRECTORY "${home}/locked/vael" "${home}/player")
  execute_process(COMMAND chmod 0777 "${home}/player")
  # The home, cache and runtime folder the player's program and the sound library under it use are the
  # player's own too (the runtime folder his alone, as the sound library asks): the test's, under the
  # checkout, are out of his reach.
  execute_process(COMMAND ${player} mkdir -m 0700 "${home}/player/run")
  file(WRITE "${locked}" "${held}")
  execute_process(COMMAND chmod 000 "${locked}")
  execute_process(COMMAND chmod 0777 "${home}/locked" "${home}/locked/vael")
  execute_process(COMMAND ${player} "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${home}/locked"
                          "XDG_STATE_HOME=${home}/player/state" "XDG_DATA_HOME=${home}/player/saves"
                          "HOME=${home}/player" "XDG_CACHE_HOME=${home}/player/cache"
                          "XDG_RUNTIME_DIR=${home}/player/run"
                          "VAEL_TRACE=${home}/player/trace" "${home}/bin/vael" --quit-after 500
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  execute_process(COMMAND chmod 0400 "${locked}")
  file(READ "${locked}" after)
  file(GLOB left RELATIVE "${home}/locked/vael" "${home}/locked/vael/*" "${home}/locked/vael/.*")
  file(REMOVE_RECURSE "${home}")
  string(REGEX MATCHALL "the settings will not be kept" said "${err}")
  list(LENGTH said times)
  # Whatever the player's program met is his: no word of it names a folder of the test's (the sound
  # library once could not make its runtime folder there, or found it root's).
  set(theirs "")
  foreach(folder "${DIR}" "$ENV{HOME}")
    string(FIND "${err}" "${folder}" at)
    if(NOT folder STREQUAL "" AND at GREATER -1)
      set(theirs "${folder}")
    endif()
  endforeach()
  set(expected "settings will not be kept: cannot open ${locked}: Permission denied; it is left as it is")
  if(NOT reach EQUAL 0)
    message(FATAL_ERROR "the ordinary user cannot reach the program and its data under ${home}")
  elseif(NOT theirs STREQUAL "")
    message(FATAL_ERROR "the ordinary user's program met ${theirs}, which is not his: [${err}]")
  elseif(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR NOT times EQUAL 1
         OR NOT err MATCHES "${expected}")
    message(FATAL_ERROR "a file that may not be read: exit ${rc}, said [${out}] and [${err}]")
  elseif(NOT after STREQUAL "${held}")
    message(FATAL_ERROR "the settings that could not be read now hold [${after}]")
  elseif(NOT left STREQUAL "settings.ini")
    message(FATAL_ERROR "beside the settings that could not be read: [${left}]")
  endif()
  message(STATUS "a file that may not be read: ${err}")
endif()

# A file the player made read-only, in a folder of his: read, never replaced, said once, whoever plays.
# And a file edited by hand: its comment and its section of another program's stay as they stand, and
# what the start adds (the palette's default) goes under its key.
string(CONCAT edited "; by hand: the data of the build\n" "[Machine\\SOFTWARE\\Tamblor\\Vaelmoric]\n"
       "\"Path\"=\"${DATA}\"\n" "\n" "[Other program]\n" "\"Colour\"=\"blue\"\n")
file(MAKE_DIRECTORY "${DIR}/read-only/vael" "${DIR}/edited/vael")
file(WRITE "${DIR}/read-only/vael/settings.ini" "${edited}")
file(WRITE "${DIR}/edited/vael/settings.ini" "${edited}")
execute_process(COMMAND chmod 0444 "${DIR}/read-only/vael/settings.ini")
start("a read-only file" "${DIR}/read-only"
      "settings will not be kept: ${DIR}/read-only/vael/settings.ini is read-only; it is left as it is")
file(READ "${DIR}/read-only/vael/settings.ini" after)
execute_process(COMMAND stat -c %a "${DIR}/read-only/vael/settings.ini" OUTPUT_VARIABLE mode
                OUTPUT_STRIP_TRAILING_WHITESPACE)
file(GLOB left RELATIVE "${DIR}/read-only/vael" "${DIR}/read-only/vael/*" "${DIR}/read-only/vael/.*")
if(NOT after STREQUAL "${edited}" OR NOT mode STREQUAL "444" OR NOT left STREQUAL "settings.ini")
  message(FATAL_ERROR "the read-only settings are now [${after}], mode ${mode}, beside [${left}]")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${DIR}/edited" "${PROGRAM}"
                        --quit-after 500
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
file(READ "${DIR}/edited/vael/settings.ini" after)
string(REPLACE "\"Path\"=\"${DATA}\"\n" "\"Path\"=\"${DATA}\"\n\"Palette\"=\"VAEL.PAL\"\n" expected
       "${edited}")
if(NOT rc EQUAL 0 OR err MATCHES "settings will not be kept" OR NOT after STREQUAL "${expected}")
  message(FATAL_ERROR "the settings edited by hand: exit ${rc}, said [${err}], now hold [${after}]")
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
