# `tasc fit` on the stops of a known vehicle recorded by `tasc sim --record`:
# the printed fit and vehicle.toml against the committed ones. With
# -DUPDATE=1 the goldens are rewritten instead (an intended change).
#   -DTASC=... -DPLUGIN=... -DSCENARIO=... -DOUT=folder -DGOLDEN=folder
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --quiet --jobs 2 --out ${OUT}/sim
                        --record ${OUT}/rec ${SCENARIO} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc sim failed (${rc}): ${err}")
endif()
file(GLOB recordings RELATIVE ${OUT}/rec ${OUT}/rec/*.csv)
list(SORT recordings)
execute_process(COMMAND ${TASC} fit ${recordings} --out ../fit WORKING_DIRECTORY ${OUT}/rec
                RESULT_VARIABLE rc OUTPUT_FILE ${OUT}/fit.txt ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc fit failed (${rc}): ${err}")
endif()
foreach(pair "fit.txt|known.fit.txt" "fit/vehicle.toml|known.vehicle.toml")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 made)
  list(GET pair 1 golden)
  if(UPDATE)
    file(COPY_FILE ${OUT}/${made} ${GOLDEN}/${golden})
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${made} ${GOLDEN}/${golden}
                  RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "${OUT}/${made} differs from ${GOLDEN}/${golden}. If the change is "
                        "intended, rerun this test's command with -DUPDATE=1")
  endif()
endforeach()
