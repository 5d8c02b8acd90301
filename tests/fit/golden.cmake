# `tasc fit` on the stops of a vehicle recorded by `tasc sim --record`: the
# printed fit, vehicle.toml and the chart of the first stop against the
# committed NAME.fit.txt, NAME.vehicle.toml and NAME.stop1.svg. With
# -DVEHICLE=folder the fit writes its B7Dec into a copy of that vehicle
# folder: the new TASC.ini against NAME.TASC.ini, and TASC.ini.bak against
# the folder's own. ARGS (comma-separated) go to `tasc fit`. A golden that
# differs is rewritten instead when TASC_UPDATE_GOLDEN is set (an intended change).
#   -DTASC=... -DPLUGIN=... -DSCENARIO=... -DNAME=... -DOUT=folder -DGOLDEN=folder
#   [-DVEHICLE=folder] [-DARGS=...]
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${TASC} sim --plugin ${PLUGIN} --quiet --jobs 2 --out ${OUT}/sim
                        --record ${OUT}/rec ${SCENARIO} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc sim failed (${rc}): ${err}")
endif()
file(GLOB recordings RELATIVE ${OUT}/rec ${OUT}/rec/*.csv)
list(SORT recordings)
# and the chart of the first stop.
list(GET recordings 0 first)
string(REGEX REPLACE "\\.csv$" "-stop1.svg" chart ${first})
set(pairs "fit.txt|${NAME}.fit.txt" "fit/vehicle.toml|${NAME}.vehicle.toml"
          "fit/${chart}|${NAME}.stop1.svg")
string(REPLACE "," ";" write "${ARGS}")
if(VEHICLE)
  file(COPY ${VEHICLE}/ DESTINATION ${OUT}/vehicle)
  list(APPEND write --write-b7dec ../vehicle)
  list(APPEND pairs "vehicle/TASC.ini|${NAME}.TASC.ini")
endif()
execute_process(COMMAND ${TASC} fit ${recordings} --out ../fit ${write} WORKING_DIRECTORY ${OUT}/rec
                RESULT_VARIABLE rc OUTPUT_FILE ${OUT}/fit.txt ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc fit failed (${rc}): ${err}")
endif()
if(VEHICLE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/vehicle/TASC.ini.bak
                          ${VEHICLE}/TASC.ini RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "${OUT}/vehicle/TASC.ini.bak is not the original ${VEHICLE}/TASC.ini")
  endif()
endif()
# One recording without a usable stop among them aborted the whole fit (exit
# 2, nothing written): it is left out with its reason, the others fitted.
list(GET recordings 1 second)
file(COPY ${CMAKE_CURRENT_LIST_DIR}/data/no-braking.csv DESTINATION ${OUT})
execute_process(COMMAND ${TASC} fit ${first} ../no-braking.csv ${second} --out ../left-out
                WORKING_DIRECTORY ${OUT}/rec RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
set(note "tasc fit: ../no-braking.csv: stop 1 not used: no brake applied before the standstill\n")
if(NOT rc EQUAL 0 OR NOT err STREQUAL note OR NOT EXISTS ${OUT}/left-out/vehicle.toml)
  message(FATAL_ERROR "a recording without a usable stop was not left out (${rc}): ${err}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)
foreach(pair ${pairs})
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 made)
  list(GET pair 1 golden)
  compare_golden(${OUT}/${made} ${GOLDEN}/${golden})
endforeach()
