# Installs the build into a scratch prefix: the program in bin/, its data set in share/vael/ where the
# installed program looks for it, and nothing of the build's own bookkeeping.
# Called as: cmake -DBUILD=<build directory> -DDIR=<scratch directory> -P install.cmake
file(REMOVE_RECURSE "${DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${DIR}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(file bin/vael share/vael/vael.pal share/vael/oiffile.hed share/vael/oiffile.map share/vael/ghatmar.scn
             share/vael/ghatmar.map)
  if(NOT EXISTS "${DIR}/${file}")
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()
if(EXISTS "${DIR}/share/vael/forge.stamp")
  message(FATAL_ERROR "the build's stamp was installed with the data")
endif()
file(READ "${BUILD}/data/ghatmar.scn" built HEX)
file(READ "${DIR}/share/vael/ghatmar.scn" installed HEX)
if(NOT built STREQUAL installed)
  message(FATAL_ERROR "the installed scenario differs from the built one")
endif()
