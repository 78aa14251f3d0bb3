# Runs the program with its trace pointed elsewhere: by --trace, by VAEL_TRACE, or to the state directory
# (XDG_STATE_HOME, else HOME). Each run must leave exactly its own trace in the file, whatever was there before.
# Called as: cmake -DPROGRAM=<vael> -DDIR=<scratch directory> -P trace_option.cmake
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
# No display is needed: SDL's dummy video driver stands in, the program's settings go to the scratch
# directory, and the program closes its window at once.
set(ENV{SDL_VIDEODRIVER} dummy)
set(ENV{XDG_CONFIG_HOME} "${DIR}/config")
# The program's one-game lock lies in the state directory: a scratch one, so that no game of the user's
# (or another test's) refuses these runs.
set(ENV{XDG_STATE_HOME} "${DIR}/default-state")
# Its saves and the sound library's sockets go to the scratch directory too, never the home's.
set(ENV{XDG_DATA_HOME} "${DIR}/saves")
set(ENV{XDG_RUNTIME_DIR} "${DIR}/run")
set(QUIT --quit-after 0)
set(expected "The Iron Vigils of Vaelmoric starting\n")

file(WRITE "${DIR}/by-option" "an earlier run's trace, longer than this one's\n")
execute_process(COMMAND "${PROGRAM}" ${QUIT} --trace "${DIR}/by-option" RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${DIR}/by-option" got)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR got MATCHES "earlier run")
  message(FATAL_ERROR "--trace: exit ${rc}, trace [${got}]")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" -E env "VAEL_TRACE=${DIR}/by-env" "${PROGRAM}" ${QUIT} RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${DIR}/by-env" got)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR got MATCHES "earlier run")
  message(FATAL_ERROR "VAEL_TRACE: exit ${rc}, trace [${got}]")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_STATE_HOME=${DIR}/state" --unset=VAEL_TRACE "${PROGRAM}" ${QUIT}
                RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${DIR}/state/vael/VaelDebugStream" got)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR got MATCHES "earlier run")
  message(FATAL_ERROR "state directory: exit ${rc}, trace [${got}]")
endif()

# The option wins over the environment variable, whose file is left alone.
file(WRITE "${DIR}/not-this" "untouched\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "VAEL_TRACE=${DIR}/not-this" "${PROGRAM}" ${QUIT} --trace "${DIR}/both"
                RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${DIR}/both" got)
file(READ "${DIR}/not-this" untouched)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR got MATCHES "earlier run" OR NOT untouched STREQUAL "untouched\n")
  message(FATAL_ERROR "--trace with VAEL_TRACE: exit ${rc}, trace [${got}], VAEL_TRACE's file [${untouched}]")
endif()

# An empty option or VAEL_TRACE counts as none, and without XDG_STATE_HOME the state directory is under HOME.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "VAEL_TRACE=" "HOME=${DIR}/home" --unset=XDG_STATE_HOME "${PROGRAM}"
                        ${QUIT} --trace "" RESULT_VARIABLE rc OUTPUT_QUIET)
file(READ "${DIR}/home/.local/state/vael/VaelDebugStream" got)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR got MATCHES "earlier run")
  message(FATAL_ERROR "HOME state directory: exit ${rc}, trace [${got}]")
endif()

# A trace file that is a FIFO nobody reads (named by the option, or standing where the default trace goes):
# refused at once, never waited on; the game is played without its trace, as it is when the trace cannot
# be written.
file(MAKE_DIRECTORY "${DIR}/fifo-state/vael")
execute_process(COMMAND mkfifo "${DIR}/fifo" "${DIR}/fifo-state/vael/VaelDebugStream")
execute_process(COMMAND "${PROGRAM}" ${QUIT} --trace "${DIR}/fifo" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT err MATCHES "vael: cannot write the trace: ${DIR}/fifo is not a regular file; it is discarded"
   OR NOT out MATCHES "closed after")
  message(FATAL_ERROR "a FIFO for a trace: exit ${rc}, said [${out}] and [${err}]")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_STATE_HOME=${DIR}/fifo-state" --unset=VAEL_TRACE "${PROGRAM}" ${QUIT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT err MATCHES "is not a regular file; it is discarded" OR NOT out MATCHES "closed after")
  message(FATAL_ERROR "a FIFO in the default trace's place: exit ${rc}, said [${out}] and [${err}]")
endif()

# A trace is emptied as it opens: never into the settings file, nor into a file that holds a saved game's
# header (the header's four offsets, the scenario's record at 16: index 10, length 11 and its name, written
# here by hand), which are left whole; the game is played without its trace.
execute_process(COMMAND printf "\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\20\\0\\0\\0\\12\\0\\0\\0\\13\\0GHATMAR.SCNrest of the save"
                OUTPUT_FILE "${DIR}/saved.vel")
file(READ "${DIR}/saved.vel" save HEX)
if(NOT save MATCHES "^000000000000000000000000100000000a0000000b0047484154")
  message(FATAL_ERROR "the hand-written save holds ${save}")
endif()
foreach(kept "${DIR}/config/vael/settings.ini:is the settings file" "${DIR}/saved.vel:holds a saved game")
  string(REGEX REPLACE ":[^:]*$" "" file "${kept}")
  string(REGEX REPLACE "^.*:" "" reason "${kept}")
  file(READ "${file}" before HEX)
  execute_process(COMMAND "${PROGRAM}" ${QUIT} --trace "${file}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(READ "${file}" after HEX)
  if(NOT rc EQUAL 0 OR NOT after STREQUAL before OR NOT out MATCHES "closed after"
     OR NOT err MATCHES "vael: cannot write the trace: ${file} ${reason}; it is left as it is; the trace is discarded")
    message(FATAL_ERROR "a trace into a file that ${reason}: exit ${rc}, said [${out}] and [${err}], the file now ${after}")
  endif()
endforeach()

# Nor into a file of the game's data, by any path to it: its own, another spelling of its name or its
# folder's, or a link to it. The data folder is VAEL_DATA's: links to the forged files, and copies of those the
# trace is aimed at, so that a trace that went through would empty only the copies.
file(MAKE_DIRECTORY "${DIR}/data")
file(GLOB forged RELATIVE "${DATA}" "${DATA}/*")
foreach(name IN LISTS forged)
  if(name STREQUAL "vael.pal" OR name STREQUAL "display_catalogue.txt" OR name STREQUAL "ghatmar.scn")
    file(COPY_FILE "${DATA}/${name}" "${DIR}/data/${name}")
  else()
    file(CREATE_LINK "${DATA}/${name}" "${DIR}/data/${name}" SYMBOLIC)
  endif()
endforeach()
file(CREATE_LINK "${DIR}/data" "${DIR}/data-link" SYMBOLIC)
file(CREATE_LINK "${DIR}/data/vael.pal" "${DIR}/palette-link" SYMBOLIC)
foreach(case "the palette:vael.pal:${DIR}/data/vael.pal"
             "the palette named in capitals:vael.pal:${DIR}/data/VAEL.PAL"
             "the catalogue by a link to its folder:display_catalogue.txt:${DIR}/data-link/display_catalogue.txt"
             "the palette by a link to it:vael.pal:${DIR}/palette-link"
             "the scenario by a way through its folder:ghatmar.scn:${DIR}/data/../data/Ghatmar.Scn")
  string(REGEX MATCHALL "[^:]+" parts "${case}")
  list(GET parts 0 what)
  list(GET parts 1 name)
  list(GET parts 2 trace)
  file(READ "${DIR}/data/${name}" before HEX)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "VAEL_DATA=${DIR}/data" "${PROGRAM}" ${QUIT} --trace "${trace}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(READ "${DIR}/data/${name}" after HEX)
  if(NOT rc EQUAL 0 OR NOT after STREQUAL before OR NOT out MATCHES "closed after" OR NOT err MATCHES
     "vael: cannot write the trace: ${trace} is the game's data file ${DIR}/data/${name}; it is left as it is; the trace is discarded")
    message(FATAL_ERROR "a trace into ${what}: exit ${rc}, said [${out}] and [${err}], the file kept: ${after} STREQUAL ${before}")
  endif()
  if(EXISTS "${DIR}/data/VAEL.PAL")
    message(FATAL_ERROR "a trace into ${what} made ${DIR}/data/VAEL.PAL beside the palette")
  endif()
endforeach()
# A new name in the data folder is no file of the game: the trace goes there.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "VAEL_DATA=${DIR}/data" "${PROGRAM}" ${QUIT} --trace "${DIR}/data/new.trace"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
file(READ "${DIR}/data/new.trace" got)
if(NOT rc EQUAL 0 OR NOT got MATCHES "^${expected}" OR err MATCHES "cannot write the trace")
  message(FATAL_ERROR "a trace under a new name in the data folder: exit ${rc}, said [${err}], trace [${got}]")
endif()

execute_process(COMMAND "${PROGRAM}" --trace RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "--trace needs a file name")
  message(FATAL_ERROR "--trace without a name: exit ${rc}, said [${err}]")
endif()
file(REMOVE_RECURSE "${DIR}")
