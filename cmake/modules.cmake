include(GoogleTest)

# One library per module folder, built from the .cpp files directly in the
# folder; its tests are every .cpp in <module>/tests, one executable, labelled
# with the module name; its benchmarks every .cpp in <module>/bench.
#
#   updater_module(NAME <name> [DEPENDS <targets...>])
#   updater_module_tests(NAME <name> [DEPENDS <targets...>] [ENVIRONMENT <VAR=value...>])
#   updater_module_bench(NAME <name> [DEPENDS <targets...>])
#   updater_module_fuzz(NAME <name> [DEPENDS <targets...>])

function(updater_module)
  cmake_parse_arguments(M "" "NAME" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
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

function(updater_module_tests)
  cmake_parse_arguments(M "" "NAME" "DEPENDS;ENVIRONMENT" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(exe ${M_NAME}_tests)
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${M_NAME} ${M_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${exe} PRIVATE UPDATER_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${exe}
    PROPERTIES LABELS ${M_NAME} ENVIRONMENT "${M_ENVIRONMENT}"
    DISCOVERY_TIMEOUT 60)
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
  target_link_libraries(${exe} PRIVATE ${M_NAME} ${M_DEPENDS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# Every .cpp in <module>/fuzz is one libFuzzer harness, <module>_fuzz_<file>,
# with its seed corpus in <module>/fuzz/corpus/<file>/ (kept crash inputs in
# its crashes/ folder). The fuzz preset links libFuzzer's driver (target
# "fuzzers" builds them all); other builds link the replay driver and
# register one test per harness that feeds it the corpus and crash inputs.
function(updater_module_fuzz)
  cmake_parse_arguments(M "" "NAME" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(harness ${source} NAME_WE)
    set(exe ${M_NAME}_fuzz_${harness})
    add_executable(${exe} ${source})
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
        set_tests_properties(${test} PROPERTIES LABELS ${M_NAME} TIMEOUT 120)
      endif()
    endif()
  endforeach()
endfunction()
