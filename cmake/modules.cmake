include(GoogleTest)

# One library per module folder, built from the .cpp files directly in the
# folder and in the sub-folders FOLDERS names (a module's rooms: one library
# still, included as "<module>/<room>/<file>.h" from the repository root); its
# tests are every .cpp in <module>/tests, one executable, labelled with the
# module name; its benchmarks every .cpp in <module>/bench.
#
#   updater_module(NAME <name> [DEPENDS <targets...>] [FOLDERS <sub-folders...>])
#   updater_module_tests(NAME <name> [DEPENDS <targets...>] [ENVIRONMENT <VAR=value...>]
#                        [TIMEOUT <seconds>] [SLOW_TESTS <regex> SLOW_TIMEOUT <seconds>]
#                        [FOLDER <folder> EXE <executable>])
#
# Every test gets a timeout, so a hang fails fast with its name: TIMEOUT
# (default kUpdaterTestTimeout), and SLOW_TIMEOUT for the tests whose full
# names match SLOW_TESTS. FOLDER and EXE make a second executable of a
# module from another folder of tests (default: tests/, <name>_tests), still
# labelled with the module's name.
#   updater_module_bench(NAME <name> [DEPENDS <targets...>])
#     (the program's main runs the benchmarks in rounds: testing/bench_rounds.h;
#     a bench file may define its own main and call bench::RunBenchmarkRounds)
#   updater_module_fuzz(NAME <name> [DEPENDS <targets...>] [SOURCES <files...>])

function(updater_module)
  cmake_parse_arguments(M "" "NAME" "DEPENDS;FOLDERS" ${ARGN})
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(folder IN LISTS M_FOLDERS)
    if(NOT IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
      message(FATAL_ERROR "updater_module(${M_NAME}): no folder ${folder}")
    endif()
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  if(NOT sources)
    # A module that has only headers so far.
    add_library(${M_NAME} INTERFACE)
    target_include_directories(${M_NAME} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${M_NAME} INTERFACE ${M_DEPENDS})
    return()
  endif()
  add_library(${M_NAME} STATIC ${sources})
  target_include_directories(${M_NAME} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${M_NAME} PUBLIC ${M_DEPENDS})
endfunction()

# ThreadSanitizer slows every test several times over; its build scales the
# timeouts by as much, so that a timeout still tells a hang from a slow run.
if(UPDATER_TSAN)
  set(kUpdaterTimeoutScale 5)
else()
  set(kUpdaterTimeoutScale 1)
endif()
math(EXPR kUpdaterTestTimeout "120 * ${kUpdaterTimeoutScale}")

# Sets, once the tests of `exe` are discovered, what gtest_discover_tests
# cannot pass through its PROPERTIES: an environment (a list there is split
# into separate words, and an empty value drops out and leaves the next
# property name in its place) and the own timeout of the tests whose full
# names match `slow_regex`. The names are known only in CTest, so this is a
# file CTest includes after the discovered tests.
function(updater_discovered_test_settings exe environment slow_regex slow_timeout)
  if(NOT environment AND NOT slow_regex)
    return()
  endif()
  set(body "foreach(name IN LISTS ${exe}_TESTS)\n")
  if(environment)
    string(APPEND body
      "  set_tests_properties(\"\${name}\" PROPERTIES ENVIRONMENT [==[${environment}]==])\n")
  endif()
  if(slow_regex)
    string(APPEND body
      "  if(name MATCHES [=[${slow_regex}]=])\n"
      "    set_tests_properties(\"\${name}\" PROPERTIES TIMEOUT ${slow_timeout})\n"
      "  endif()\n")
  endif()
  string(APPEND body "endforeach()\n")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${exe}_test_settings.cmake)
  file(WRITE ${script} "${body}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# The test programs' precompiled headers: GoogleTest and the standard headers
# most tests include. Under the sanitizers a test file spends a quarter of its
# compile time or more reading them; precompiled, a program reads them once.
# A module adds its own (the updater's tests: Qt's) with
# target_precompile_headers after updater_module_tests.
set(kUpdaterTestHeaders <gtest/gtest.h> <algorithm> <chrono> <cstring> <filesystem> <fstream>
    <functional> <map> <memory> <string> <thread> <vector>)

function(updater_module_tests)
  cmake_parse_arguments(M "" "NAME;TIMEOUT;SLOW_TESTS;SLOW_TIMEOUT;FOLDER;EXE" "DEPENDS;ENVIRONMENT" ${ARGN})
  if(NOT M_TIMEOUT)
    set(M_TIMEOUT ${kUpdaterTestTimeout})
  else()
    math(EXPR M_TIMEOUT "${M_TIMEOUT} * ${kUpdaterTimeoutScale}")
  endif()
  if(M_SLOW_TESTS AND NOT M_SLOW_TIMEOUT)
    message(FATAL_ERROR "updater_module_tests(${M_NAME}): SLOW_TESTS needs SLOW_TIMEOUT")
  endif()
  if(M_SLOW_TIMEOUT)
    math(EXPR M_SLOW_TIMEOUT "${M_SLOW_TIMEOUT} * ${kUpdaterTimeoutScale}")
  endif()
  if(NOT M_FOLDER)
    set(M_FOLDER tests)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${M_FOLDER}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(exe ${M_NAME}_tests)
  if(M_EXE)
    set(exe ${M_EXE})
  endif()
  add_executable(${exe} ${sources})
  target_precompile_headers(${exe} PRIVATE ${kUpdaterTestHeaders})
  target_link_libraries(${exe} PRIVATE ${M_NAME} ${M_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${exe} PRIVATE UPDATER_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${exe}
    PROPERTIES LABELS ${M_NAME} TIMEOUT ${M_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
  updater_discovered_test_settings(${exe} "${M_ENVIRONMENT}" "${M_SLOW_TESTS}" "${M_SLOW_TIMEOUT}")
endfunction()

function(updater_module_bench)
  cmake_parse_arguments(M "" "NAME" "DEPENDS" ${ARGN})
  if(NOT UPDATER_BUILD_BENCH)
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(exe ${M_NAME}_bench)
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${M_NAME} ${M_DEPENDS} bench_rounds)
endfunction()

# Every .cpp in <module>/fuzz is one libFuzzer harness, <module>_fuzz_<file>,
# with its seed corpus in <module>/fuzz/corpus/<file>/ (kept crash inputs in
# its crashes/ folder). The fuzz preset links libFuzzer's driver (target
# "fuzzers" builds them all); other builds link the replay driver and
# register one test per harness that feeds it the corpus and crash inputs.
#
# SOURCES names files of fuzz/ that the harnesses share (driving code, not a
# harness of its own): each is linked into every harness of the module.
function(updater_module_fuzz)
  cmake_parse_arguments(M "" "NAME" "DEPENDS;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*.cpp)
  set(shared "")
  foreach(file IN LISTS M_SOURCES)
    get_filename_component(path ${file} ABSOLUTE)
    list(APPEND shared ${path})
    list(REMOVE_ITEM sources ${path})
  endforeach()
  # The shared files are compiled once for all the module's harnesses.
  set(shared_objects "")
  if(shared)
    add_library(${M_NAME}_fuzz_shared OBJECT ${shared})
    target_link_libraries(${M_NAME}_fuzz_shared PRIVATE ${M_NAME} ${M_DEPENDS})
    set_target_properties(${M_NAME}_fuzz_shared PROPERTIES AUTOMOC OFF)
    set(shared_objects $<TARGET_OBJECTS:${M_NAME}_fuzz_shared>)
  endif()
  foreach(source IN LISTS sources)
    get_filename_component(harness ${source} NAME_WE)
    set(exe ${M_NAME}_fuzz_${harness})
    add_executable(${exe} ${source} ${shared_objects})
    target_link_libraries(${exe} PRIVATE ${M_NAME} ${M_DEPENDS})
    set_target_properties(${exe} PROPERTIES AUTOMOC OFF)
    if(UPDATER_FUZZ)
      target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
      add_dependencies(fuzzers ${exe})
    else()
      target_link_libraries(${exe} PRIVATE fuzz_replay_main)
      if(BUILD_TESTING)
        set(test fuzz_replay.${M_NAME}.${harness})
        add_test(NAME ${test}
                 COMMAND ${exe} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${harness})
        set_tests_properties(${test} PROPERTIES LABELS ${M_NAME} TIMEOUT ${kUpdaterTestTimeout})
      endif()
    endif()
  endforeach()
endfunction()
