# Runs `tasc sim` for a CTest test and checks what came out.
#   -DTASC=... -DPLUGIN=... -DSCENARIO=... -DMODE=golden|status|chart
#   golden: -DOUT=trace -DEXPECTED=committed file [-DARGS=extra;args]
# A golden that differs is rewritten instead when TASC_UPDATE_GOLDEN is set.
#   status: -DSTATUS=expected exit status -DMESSAGE=text expected on stderr
#   chart:  -DOUT=svg -DEXPECTED=committed chart
#   output: -DEXPECTED=golden summary and messages (run in the scenario's folder)
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)

if(MODE STREQUAL "golden")
  execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --quiet --no-chart --trace ${OUT} ${ARGS}
                          ${SCENARIO} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tasc sim failed (${rc}): ${err}")
  endif()
  compare_golden(${OUT} ${EXPECTED})
elseif(MODE STREQUAL "status")
  execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --quiet --no-chart --no-trace ${SCENARIO}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL STATUS)
    message(FATAL_ERROR "exit status ${rc}, expected ${STATUS}: ${err}")
  endif()
  string(FIND "${err}" "${MESSAGE}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "message does not name '${MESSAGE}': ${err}")
  endif()
elseif(MODE STREQUAL "chart")
  execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --quiet --no-trace --chart ${OUT} ${SCENARIO}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tasc sim failed (${rc}): ${err}")
  endif()
  compare_golden(${OUT} ${EXPECTED})
elseif(MODE STREQUAL "output")
  # Standard output, then standard error, and the exit status, against a
  # golden file: the scenario is given relative to the working directory.
  execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --no-trace --no-chart ${SCENARIO}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(actual "${out}${err}exit status ${rc}\n")
  compare_golden_text("${actual}" ${EXPECTED})
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()
