# Runs `tasc tune` on bad input for a CTest test: the exit status and a
# message that names what is wrong.
#   -DTASC=... -DPLUGIN=... -DSCENARIO=... -DSTATUS=2 -DMESSAGE=text [-DARGS=a;b]
execute_process(COMMAND ${TASC} tune --plugin ${PLUGIN} --budget 2 ${ARGS} ${SCENARIO}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL STATUS)
  message(FATAL_ERROR "exit status ${rc}, expected ${STATUS}: ${err}")
endif()
string(FIND "${err}" "${MESSAGE}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "message does not name '${MESSAGE}': ${err}")
endif()
