# Runs `tasc check FOLDER` and compares its output and exit status with the
# golden report (or, with MAX_STATUS, only checks the exit status).
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)

execute_process(COMMAND ${TASC} check ${FOLDER} OUTPUT_VARIABLE actual RESULT_VARIABLE rc)
if(DEFINED MAX_STATUS)
  # No golden report: only a ceiling on the exit status.
  if(rc GREATER MAX_STATUS)
    message(FATAL_ERROR "exit status ${rc} above ${MAX_STATUS}\n${actual}")
  endif()
  return()
endif()
if(NOT rc STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${rc}, expected ${STATUS}\n${actual}")
endif()
compare_golden_text("${actual}" ${EXPECTED})
