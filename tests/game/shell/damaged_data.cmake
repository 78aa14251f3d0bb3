# The program started on a data folder with one file missing or damaged, with nobody to answer a box (no
# display): each start ends with exit 1 and the failed check's words on standard error, naming the file,
# never by an uncaught exception (exit 134). A file the game does without is named once and the game
# plays on to its end.
# Called as: cmake -DPROGRAM=<vael> -DDATA=<forged data folder> -DDIR=<scratch directory> -P damaged_data.cmake
cmake_policy(SET CMP0007 NEW)
# A quoted word is that word, never the variable of its name ("folder" is also a variable here).
cmake_policy(SET CMP0054 NEW)
include("${CMAKE_CURRENT_LIST_DIR}/no_display.cmake")
vael_without_display("${DIR}" "${DIR}/saves")

file(GLOB data_files RELATIVE "${DATA}" "${DATA}/*")
# A folder of links to the forged data, less the one file the case damages.
function(linked_data folder left_out)
  file(MAKE_DIRECTORY "${folder}")
  foreach(name IN LISTS data_files)
    if(NOT name STREQUAL left_out)
      file(CREATE_LINK "${DATA}/${name}" "${folder}/${name}" SYMBOLIC)
    endif()
  endforeach()
endfunction()

# Runs the program with the settings' data path pointed at folder; gives back its exit, output and errors.
function(start folder)
  set(config "${DIR}/config-${case}")
  file(WRITE "${config}/vael/settings.ini" "[Machine\\SOFTWARE\\Tamblor\\Vaelmoric]\n\"Path\"=\"${folder}\"\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${config}" "${PROGRAM}" --quit-after 1500
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# case name; the file damaged; how (missing, cut, half, empty, fifo, folder, loop: a link to itself); what the
# message must name (DIR for the scratch directory);
# words it must not say (optional).
set(cases
    "palette missing|vael.pal|missing|VAEL.PAL"
    "palette cut|vael.pal|cut|VAEL.PAL"
    "palette a FIFO|vael.pal|fifo|The palette file DIR/data-palette_a_FIFO/vael.pal is not a regular file|Can't find"
    "palette a folder|vael.pal|folder|The palette file DIR/data-palette_a_folder/vael.pal is a folder, not a file|Can't find"
    "palette a link loop|vael.pal|loop|The palette file DIR/data-palette_a_link_loop/vael.pal is not a regular file|Can't find"
    "image map missing|oiffile.map|missing|oiffile.map"
    "image map cut|oiffile.map|cut|oiffile.map"
    "image map a FIFO|oiffile.map|fifo|The map file DIR/data-image_map_a_FIFO/oiffile.map is not a regular file|Can't find"
    "image map a folder|oiffile.map|folder|The map file DIR/data-image_map_a_folder/oiffile.map is a folder, not a file|Can't find"
    "image index missing|oiffile.hed|missing|oiffile.hed"
    "image index emptied|oiffile.hed|empty|oiffile.hed is empty"
    "image index cut in half|oiffile.hed|half|oiffile.hed is damaged|Can't find"
    "data folder missing|-|nowhere|The data folder DIR/nowhere is not there"
    "data folder a file|-|afile|The data folder DIR/afile is a file, not a folder|is not there")

foreach(row IN LISTS cases)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 what)
  list(GET row 1 name)
  list(GET row 2 how)
  list(GET row 3 named)
  set(unsaid "")
  list(LENGTH row fields)
  if(fields GREATER 4)
    list(GET row 4 unsaid)
  endif()
  string(MAKE_C_IDENTIFIER "${what}" case)
  set(folder "${DIR}/data-${case}")
  if(how STREQUAL "nowhere")
    set(folder "${DIR}/nowhere")
  elseif(how STREQUAL "afile")
    set(folder "${DIR}/afile")
    file(WRITE "${folder}" "a file where the data folder should be\n")
  else()
    linked_data("${folder}" "${name}")
  endif()
  if(how STREQUAL "cut")
    # Seven bytes of the real file: a start that is right and an end that is not there.
    execute_process(COMMAND head -c 7 "${DATA}/${name}" OUTPUT_FILE "${folder}/${name}")
  elseif(how STREQUAL "half")
    file(SIZE "${DATA}/${name}" size)
    math(EXPR size "${size} / 2")
    execute_process(COMMAND head -c ${size} "${DATA}/${name}" OUTPUT_FILE "${folder}/${name}")
  elseif(how STREQUAL "empty")
    file(WRITE "${folder}/${name}" "")
  elseif(how STREQUAL "fifo")
    execute_process(COMMAND mkfifo "${folder}/${name}")
  elseif(how STREQUAL "folder")
    file(MAKE_DIRECTORY "${folder}/${name}")
  elseif(how STREQUAL "loop")
    file(CREATE_LINK "${name}" "${folder}/${name}" SYMBOLIC)
  endif()
  start("${folder}")
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "${what}: exit ${rc}, not 1; said [${out}] and [${err}]")
  endif()
  if(err MATCHES "terminate called" OR NOT err MATCHES "vael: Failure in [^ ]+ at line [0-9]+\\. ")
    message(FATAL_ERROR "${what}: no failed check told: [${err}]")
  endif()
  string(TOLOWER "${err}" lower)
  string(REPLACE "DIR" "${DIR}" named "${named}")
  string(TOLOWER "${named}" lower_named)
  string(FIND "${lower}" "${lower_named}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${what}: the message does not name ${named}: [${err}]")
  endif()
  if(NOT unsaid STREQUAL "")
    string(TOLOWER "${unsaid}" lower_unsaid)
    string(FIND "${lower}" "${lower_unsaid}" at)
    if(NOT at LESS 0)
      message(FATAL_ERROR "${what}: the message says \"${unsaid}\": [${err}]")
    endif()
  endif()
  message(STATUS "${what}: ${err}")
endforeach()

# Files the game takes from the build's data when the data folder lacks them (a font's archive, the display
# catalogue): each named once with the copy taken, and the game runs to its end.
set(folder "${DIR}/data-elsewhere")
set(case elsewhere)
linked_data("${folder}" "dlgfont.oif")
file(REMOVE "${folder}/display_catalogue.txt")
start("${folder}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks")
  message(FATAL_ERROR "files taken from elsewhere: exit ${rc}, said [${out}] and [${err}]")
endif()
foreach(name "dlgfont.oif" "display_catalogue.txt")
  string(REGEX MATCHALL "the data file ${folder}/${name} is missing: the game takes ${DATA}/${name} in its place"
         said "${err}")
  list(LENGTH said times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "${name} taken from elsewhere: named ${times} times: [${err}]")
  endif()
endforeach()

# An archive of the index with a FIFO or a folder in its place in the data folder: told as what it is, once,
# with the copy taken.
foreach(how fifo folder)
  set(folder "${DIR}/data-archive-${how}")
  set(case "archive-${how}")
  linked_data("${folder}" "dlgfont.oif")
  if(how STREQUAL "fifo")
    execute_process(COMMAND mkfifo "${folder}/dlgfont.oif")
    set(problem "is not a regular file")
  else()
    file(MAKE_DIRECTORY "${folder}/dlgfont.oif")
    set(problem "is a folder, not a file")
  endif()
  start("${folder}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR err MATCHES "dlgfont.oif is missing")
    message(FATAL_ERROR "dlgfont.oif a ${how}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  string(REGEX MATCHALL "the data file ${folder}/dlgfont.oif ${problem}: the game takes ${DATA}/dlgfont.oif in its place"
         said "${err}")
  list(LENGTH said times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "dlgfont.oif a ${how}: named ${times} times: [${err}]")
  endif()
endforeach()

# A FIFO or a folder in the display catalogue's place: told once as what it is, never as missing, with the
# copy taken, and the game runs to its end.
foreach(how fifo folder)
  set(folder "${DIR}/data-catalogue-${how}")
  set(case "catalogue-${how}")
  linked_data("${folder}" "display_catalogue.txt")
  if(how STREQUAL "fifo")
    execute_process(COMMAND mkfifo "${folder}/display_catalogue.txt")
    set(problem "is not a regular file")
  else()
    file(MAKE_DIRECTORY "${folder}/display_catalogue.txt")
    set(problem "is a folder, not a file")
  endif()
  start("${folder}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR err MATCHES "is missing")
    message(FATAL_ERROR "display_catalogue.txt a ${how}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  string(REGEX MATCHALL "the data file ${folder}/display_catalogue.txt ${problem}: the game takes ${DATA}/display_catalogue.txt in its place"
         said "${err}")
  list(LENGTH said times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "display_catalogue.txt a ${how}: named ${times} times: [${err}]")
  endif()
endforeach()

# An emptied display catalogue, and one with a line it cannot read: told once as damaged, with what the game
# does without it, and the game runs to its end.
foreach(how empty damaged)
  set(folder "${DIR}/data-catalogue-${how}")
  set(case "catalogue-${how}")
  linked_data("${folder}" "display_catalogue.txt")
  if(how STREQUAL "empty")
    file(WRITE "${folder}/display_catalogue.txt" "")
    set(problem "is empty")
  else()
    file(WRITE "${folder}/display_catalogue.txt" "# a comment\n3 PNoSuchClass 2 - 1 Some Archive\n")
    set(problem "is damaged: display_catalogue.txt line 2: \"PNoSuchClass\" is no display class")
  endif()
  start("${folder}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks")
    message(FATAL_ERROR "display_catalogue.txt ${how}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  string(FIND "${err}" "vael: the data file ${folder}/display_catalogue.txt ${problem}: every unit is shown without its artwork\n" at)
  string(REGEX MATCHALL "the data file [^ ]*display_catalogue.txt" said "${err}")
  list(LENGTH said times)
  if(at LESS 0 OR NOT times EQUAL 1)
    message(FATAL_ERROR "display_catalogue.txt ${how}: told ${times} times: [${err}]")
  endif()
endforeach()

# Something other than a file in the campaign's place (a FIFO, a folder): told once as what it is, never as
# missing, and the game runs to its end without its campaign.
foreach(how fifo folder)
  set(folder "${DIR}/data-campaign-${how}")
  set(case "campaign-${how}")
  linked_data("${folder}" "campaign.txt")
  if(how STREQUAL "fifo")
    execute_process(COMMAND mkfifo "${folder}/campaign.txt")
    set(problem "is not a regular file")
  else()
    file(MAKE_DIRECTORY "${folder}/campaign.txt")
    set(problem "is a folder, not a file")
  endif()
  start("${folder}")
  if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks" OR err MATCHES "campaign.txt is missing")
    message(FATAL_ERROR "campaign.txt a ${how}: exit ${rc}, said [${out}] and [${err}]")
  endif()
  string(REGEX MATCHALL "the data file ${folder}/campaign.txt ${problem}: the game goes on without its campaign"
         said "${err}")
  list(LENGTH said times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "campaign.txt a ${how}: named ${times} times: [${err}]")
  endif()
endforeach()

# Files the game does without, missing from an installed game's data (the program finds it beside its own
# folder, and looks nowhere else): each named once, and the game runs to its end.
set(prefix "${DIR}/installed")
linked_data("${prefix}/share/vael" "campaign.txt")
file(REMOVE "${prefix}/share/vael/display_catalogue.txt")
# A hard link, so that the program's own path is the one in the installed folder.
file(MAKE_DIRECTORY "${prefix}/bin")
file(CREATE_LINK "${PROGRAM}" "${prefix}/bin/vael" COPY_ON_ERROR)
set(PROGRAM "${prefix}/bin/vael")
set(case installed)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${DIR}/config-installed" "${PROGRAM}"
                        --quit-after 1500
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 0 OR NOT out MATCHES "closed after [1-9][0-9]* timer ticks")
  message(FATAL_ERROR "optional files missing: exit ${rc}, said [${out}] and [${err}]")
endif()
foreach(name "campaign.txt" "display_catalogue.txt")
  string(REGEX MATCHALL "the data file [^ ]*/share/vael/${name} is missing: the game goes on without" said
         "${err}")
  list(LENGTH said times)
  if(NOT times EQUAL 1)
    message(FATAL_ERROR "optional ${name}: named ${times} times: [${err}]")
  endif()
endforeach()
# With no other copy to take (an installed game), the archive with a FIFO in its place ends the start as a
# missing one does, told as what it is rather than as a file that cannot be found.
set(prefix "${DIR}/installed-fifo")
linked_data("${prefix}/share/vael" "dlgfont.oif")
execute_process(COMMAND mkfifo "${prefix}/share/vael/dlgfont.oif")
file(MAKE_DIRECTORY "${prefix}/bin")
file(CREATE_LINK "${PROGRAM}" "${prefix}/bin/vael" COPY_ON_ERROR)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_CONFIG_HOME=${DIR}/config-installed-fifo"
                        "${prefix}/bin/vael" --quit-after 1500
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 1 OR err MATCHES "Can't find"
   OR NOT err MATCHES "The archive [^ ]*/share/vael/dlgfont.oif is not a regular file")
  message(FATAL_ERROR "installed archive a FIFO: exit ${rc}, said [${out}] and [${err}]")
endif()
file(REMOVE_RECURSE "${DIR}")
