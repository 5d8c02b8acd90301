# compare_golden(MADE GOLDEN), for the golden scripts run with cmake -P: fails
# when the file made differs from the committed golden, or rewrites the golden
# instead when TASC_UPDATE_GOLDEN is set (scripts/update_goldens.sh).
function(compare_golden made golden)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${made} ${golden} RESULT_VARIABLE diff)
  if(diff EQUAL 0)
    return()
  endif()
  if(DEFINED ENV{TASC_UPDATE_GOLDEN})
    file(COPY_FILE ${made} ${golden})
  else()
    message(FATAL_ERROR "${made} differs from ${golden}. If the change is intended, "
                        "TASC_UPDATE_GOLDEN=1 renews it (scripts/update_goldens.sh)")
  endif()
endfunction()

# compare_golden_text(TEXT GOLDEN): the same for text made in the script
# (a command's output), shown whole when it differs.
function(compare_golden_text actual golden)
  file(READ ${golden} expected)
  if(actual STREQUAL expected)
    return()
  endif()
  if(DEFINED ENV{TASC_UPDATE_GOLDEN})
    file(WRITE ${golden} "${actual}")
  else()
    message(FATAL_ERROR "output differs from ${golden} (TASC_UPDATE_GOLDEN=1 renews it):\n${actual}")
  endif()
endfunction()
