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
