# `tasc tune` on a copy of the example scenario and its vehicle folder, for a
# CTest test: what it prints, the time masked and the copy's folder as OUT,
# the record file it leaves and the chart it draws, against the committed NAME.txt. A golden
# that differs is rewritten instead when TASC_UPDATE_GOLDEN is set.
# -DSCENARIO=file tunes that scenario (as tune.toml) instead of the example's.
#   -DTASC=... -DPLUGIN=... -DEXAMPLES=folder -DOUT=folder -DGOLDEN=file [-DARGS=a;b]
#   [-DSCENARIO=file]
file(REMOVE_RECURSE ${OUT})
file(COPY ${EXAMPLES}/tune.toml ${EXAMPLES}/vehicle DESTINATION ${OUT})
if(SCENARIO)
  file(COPY_FILE ${SCENARIO} ${OUT}/tune.toml)
endif()
execute_process(COMMAND ${TASC} tune --plugin ${PLUGIN} --jobs 2 ${ARGS} tune.toml
                WORKING_DIRECTORY ${OUT} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc tune failed (${rc}): ${err}")
endif()
file(READ ${OUT}/vehicle/params/local.csv record)
string(REGEX REPLACE " in [0-9.]+ s " " in SECONDS s " out "${err}${out}")
string(REPLACE "${OUT}" "OUT" out "${out}")
set(out "${out}=== vehicle/params/local.csv\n${record}")
if(EXISTS ${OUT}/chart.svg)
  file(READ ${OUT}/chart.svg chart)
  string(APPEND out "=== chart.svg\n${chart}")
endif()
file(WRITE ${OUT}/made.txt "${out}")
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)
compare_golden(${OUT}/made.txt ${GOLDEN})
