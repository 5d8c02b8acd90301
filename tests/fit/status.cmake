# Runs `tasc fit` on bad input for a CTest test: exit status 2, a message that
# names what is wrong, and no vehicle file written.
#   -DTASC=... -DRECORDING=... -DOUT=... -DMESSAGE=text [-DARGS=more,arguments]
file(REMOVE_RECURSE ${OUT})
string(REPLACE "," ";" args "${ARGS}")
execute_process(COMMAND ${TASC} fit ${RECORDING} --out ${OUT} ${args}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "exit status ${rc}, expected 2: ${err}")
endif()
string(FIND "${err}" "${MESSAGE}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "message does not name '${MESSAGE}': ${err}")
endif()
if(EXISTS ${OUT}/vehicle.toml)
  message(FATAL_ERROR "vehicle.toml written for a failed fit")
endif()
