# Runs COMMAND (a list) with TMPDIR set to the fresh folder TEMP and fails
# when the run fails, leaves anything in TEMP, or leaves a file whose name
# starts with NAME in the system's temporary folder (/tmp), where a program
# that ignores TMPDIR puts its files.
#   cmake -DTEMP=<folder> -DNAME=<prefix> "-DCOMMAND=<exe>;<args>" -P expect_no_temp_files.cmake
file(REMOVE_RECURSE "${TEMP}")
file(MAKE_DIRECTORY "${TEMP}")
file(GLOB system_before LIST_DIRECTORIES true "/tmp/${NAME}*")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "TMPDIR=${TEMP}" ${COMMAND}
                RESULT_VARIABLE result OUTPUT_QUIET)
file(GLOB left LIST_DIRECTORIES true "${TEMP}/*")
file(GLOB system_after LIST_DIRECTORIES true "/tmp/${NAME}*")
if(system_before)
  list(REMOVE_ITEM system_after ${system_before})
endif()
file(REMOVE_RECURSE "${TEMP}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the run failed: ${result}")
endif()
if(left OR system_after)
  message(FATAL_ERROR "left behind: ${left} ${system_after}")
endif()
