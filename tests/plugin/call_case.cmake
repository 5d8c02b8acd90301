# One call script played by tasc-host on the built plug-in copied into a
# fresh vehicle folder, for a CTest test: what the host saw against the
# committed golden (TASC_UPDATE_GOLDEN set: the golden is rewritten).
#   -DHOST=tasc-host -DPLUGIN=TASC.so -DSCRIPT=file -DOUT=folder -DGOLDEN=file
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
file(COPY_FILE ${PLUGIN} ${OUT}/TASC.so)
execute_process(COMMAND ${HOST} ${SCRIPT} ${OUT}/TASC.so RESULT_VARIABLE rc
                OUTPUT_FILE ${OUT}/made.txt ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc-host failed (${rc}): ${err}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)
compare_golden(${OUT}/made.txt ${GOLDEN})
