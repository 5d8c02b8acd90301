# Runs `tasc check FOLDER` and compares its output and exit status with the
# golden report (or, with MAX_STATUS, only checks the exit status).
execute_process(COMMAND ${TASC} check ${FOLDER} OUTPUT_VARIABLE actual RESULT_VARIABLE rc)
if(DEFINED MAX_STATUS)
  # No golden report: only a ceiling on the exit status.
  if(rc GREATER MAX_STATUS)
    message(FATAL_ERROR "exit status ${rc} above ${MAX_STATUS}\n${actual}")
  endif()
  return()
endif()
file(READ ${EXPECTED} expected)
if(NOT rc STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${rc}, expected ${STATUS}\n${actual}")
endif()
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "report differs from ${EXPECTED}:\n${actual}")
endif()
