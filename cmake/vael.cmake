# One library target per source folder; sources are picked up by glob so that adding a file needs no
# edit here. A target links only what it is allowed to use, so a wrong include fails the build. FLAT
# leaves the folder's sub-folders out (the platform's backends are targets of their own).
function(vael_library name dir)
  cmake_parse_arguments(ARG "FLAT" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_FLAT)
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  endif()
  add_library(${name} STATIC ${srcs} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  vael_layer(${name} src/${dir})
endfunction()

# Records which folder of the layer table a library builds, so that the layers test can check its link
# line against what that folder may use.
function(vael_layer name folder)
  set_property(GLOBAL APPEND PROPERTY VAEL_LAYER_LIBRARIES "${folder}|${name}")
endfunction()

# One test program per test folder, run as one CTest test (FLAT: without the folder's sub-folders).
function(vael_test name dir)
  cmake_parse_arguments(ARG "FLAT" "" "DEPS" ${ARGN})
  if(ARG_FLAT)
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  else()
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "VAEL_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()

# A fuzz target tests/fuzz/<name>.cpp defines LLVMFuzzerTestOneInput. In the ordinary build it is linked
# against a driver that replays tests/fuzz/corpus/<name>/ and a fixed number of generated inputs, and
# CTest runs it; with VAEL_LIBFUZZER it is linked against libFuzzer for real fuzzing (scripts/fuzz).
function(vael_fuzz name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  set(target fuzz_${name})
  if(VAEL_LIBFUZZER)
    add_executable(${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/${name}.cpp)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/${name}.cpp
                             ${PROJECT_SOURCE_DIR}/tests/fuzz/driver/replay_main.cpp)
    add_test(NAME ${target} COMMAND ${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS})
endfunction()

# A test that needs a real display runs its program under xvfb-run, and is skipped (77) only when
# xvfb-run is missing (scripts/deps installs it). COMMAND is the program and its arguments, run as
# "$0" "$1" ... inside SHELL_TAIL when that is given (for what follows the program, like "&& echo").
# SCREEN is the X server's screen (1280x1024x24 unless given).
function(vael_xvfb_test name)
  cmake_parse_arguments(ARG "" "SHELL_TAIL;SCREEN" "COMMAND;PROPERTIES;ENVIRONMENT" ${ARGN})
  if(NOT ARG_SCREEN)
    set(ARG_SCREEN 1280x1024x24)
  endif()
  list(LENGTH ARG_COMMAND count)
  math(EXPR last "${count} - 1")
  set(run "\"$0\"")
  if(last GREATER 0)
    foreach(i RANGE 1 ${last})
      string(APPEND run " \"$${i}\"")
    endforeach()
  endif()
  # The sound library keeps its sockets in XDG_RUNTIME_DIR (without it, in folders of /tmp and the home it
  # leaves behind): the run has one of its own, taken away after it.
  add_test(NAME ${name}
           COMMAND sh -c "command -v xvfb-run >/dev/null || { echo 'xvfb-run is missing (scripts/deps installs it): ${name} is skipped'; exit 77; }; runtime=$(mktemp -d) || exit 1; XDG_RUNTIME_DIR=$runtime xvfb-run -a -s \"-screen 0 ${ARG_SCREEN} -noreset\" ${run}${ARG_SHELL_TAIL}; code=$?; rm -rf \"$runtime\"; exit $code" ${ARG_COMMAND})
  # xvfb-run -a picks the first free display number without holding it, so two started at once can
  # share one server and the first to finish takes it from under the other: every test on Xvfb takes
  # the lock. And the server runs with -noreset: by default it starts afresh whenever its last client
  # leaves, and a test that opens a new connection just then loses its window to the reset.
  set(environment "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/platform/sdl/lsan.supp"
                  ${ARG_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK xvfb
                       ENVIRONMENT "${environment}" ${ARG_PROPERTIES})
endfunction()

# Every test of the directory so far keeps to the tests' own home: HOME and the XDG folders in an empty
# folder of the build, made before the first test and looked into after the last (the test_home fixture
# of tests/CMakeLists.txt). A test that keeps state or settings says where, in a folder of its own; one
# that writes into the home without saying so is named there, never the player's home in its place. What
# a test sets itself comes after these and holds.
function(vael_tests_keep_to_their_home)
  set(home ${CMAKE_BINARY_DIR}/test-home)
  set(own "HOME=${home}" "XDG_CONFIG_HOME=${home}/.config" "XDG_DATA_HOME=${home}/.local/share"
          "XDG_STATE_HOME=${home}/.local/state" "XDG_CACHE_HOME=${home}/.cache" "XDG_RUNTIME_DIR=${home}/run")
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} ENVIRONMENT environment)
    set(combined ${own})
    if(environment)
      list(APPEND combined ${environment})
    endif()
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${combined}")
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED test_home)
  endforeach()
endfunction()
