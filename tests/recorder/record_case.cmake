# One call script through the recording module, for a CTest test: a copy of
# the example vehicle folder (and the case's files over it) with the
# recorder in it and, by MODULE, beside it the plug-in (plugin), nothing
# (none), a file that is no module (text), a module that lacks the exports
# (stub), or the plug-in under the name TASCRec.ini gives (named). What the
# host saw must be what the plug-in alone shows it (when there is one); what
# the host saw and every recording, paths and the start time masked, against
# the committed golden. TASC_UPDATE_GOLDEN set: the golden is rewritten.
#   -DHOST=tasc-host -DPLUGIN=TASC.so -DRECORDER=TASCRec.so -DSTUB=stub.so
#   -DVEHICLE=folder -DSCRIPT=file -DMODULE=... -DOUT=folder -DGOLDEN=file [-DFILES=folder]
file(REMOVE_RECURSE ${OUT})
# The case's files replace the vehicle's by COPY_FILE: file(COPY) skips a
# file whose copy has the same time stamp, as two files of a fresh clone do.
if(FILES)
  file(GLOB_RECURSE case_files RELATIVE ${FILES} ${FILES}/*)
endif()
foreach(dir alone recorded)
  file(COPY ${VEHICLE}/ DESTINATION ${OUT}/${dir})
  foreach(f ${case_files})
    get_filename_component(sub ${OUT}/${dir}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${sub})
    file(COPY_FILE ${FILES}/${f} ${OUT}/${dir}/${f})
  endforeach()
endforeach()
set(folder ${OUT}/recorded)
file(COPY_FILE ${RECORDER} ${folder}/TASCRec.so)
if(MODULE STREQUAL "plugin")
  file(COPY_FILE ${PLUGIN} ${folder}/TASC.so)
elseif(MODULE STREQUAL "named")
  file(COPY_FILE ${PLUGIN} ${folder}/other.so)
  file(WRITE ${folder}/TASCRec.ini "[Recorder]\nPlugin=other.so\n")
elseif(MODULE STREQUAL "text")
  file(WRITE ${folder}/TASC.so "not a shared object")
elseif(MODULE STREQUAL "stub")
  file(COPY_FILE ${STUB} ${folder}/TASC.so)
endif()
execute_process(COMMAND ${HOST} ${SCRIPT} ${folder}/TASCRec.so RESULT_VARIABLE rc
                OUTPUT_VARIABLE seen ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "tasc-host through the recorder failed (${rc}): ${err}")
endif()
if(MODULE MATCHES "plugin|named")
  file(COPY_FILE ${PLUGIN} ${OUT}/alone/TASC.so)
  execute_process(COMMAND ${HOST} ${SCRIPT} ${OUT}/alone/TASC.so OUTPUT_VARIABLE alone)
  if(NOT seen STREQUAL alone)
    message(FATAL_ERROR "the host saw other frames through the recorder than from the plug-in")
  endif()
endif()
set(text "${seen}")
file(GLOB recordings ${folder}/records/*.csv)
list(SORT recordings)
foreach(r ${recordings})
  file(READ ${r} recording)
  string(APPEND text "=== recording\n${recording}")
endforeach()
string(REPLACE "${folder}" "FOLDER" text "${text}")
string(REGEX REPLACE "\nstarted,[0-9T:-]+" "\nstarted,TIME" text "${text}")
file(WRITE ${OUT}/made.txt "${text}")
include(${CMAKE_CURRENT_LIST_DIR}/../compare_golden.cmake)
compare_golden(${OUT}/made.txt ${GOLDEN})
