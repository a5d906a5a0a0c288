# Expands a dictionary with its affix file into every word form, one per line.
# Run as: cmake -DUNMUNCH=... -DDICTIONARY=... -DAFFIX=... -DOUTPUT=... -P ExpandAffixes.cmake
# The expander reports every line it parses on stderr; that is kept out of the
# build log unless the expansion fails or yields nothing.
foreach(var UNMUNCH DICTIONARY AFFIX OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ExpandAffixes.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(
  COMMAND ${UNMUNCH} ${DICTIONARY} ${AFFIX}
  OUTPUT_FILE ${OUTPUT}.partial
  ERROR_VARIABLE expander_log
  RESULT_VARIABLE expander_result)
file(SIZE ${OUTPUT}.partial output_size)
if(NOT expander_result EQUAL 0 OR output_size EQUAL 0)
  file(REMOVE ${OUTPUT}.partial)
  string(LENGTH "${expander_log}" log_length)
  if(log_length GREATER 2000)
    math(EXPR tail_start "${log_length} - 2000")
    string(SUBSTRING "${expander_log}" ${tail_start} -1 expander_log)
  endif()
  message(FATAL_ERROR "Expanding ${DICTIONARY} with ${AFFIX} failed (${expander_result}):\n${expander_log}")
endif()
file(RENAME ${OUTPUT}.partial ${OUTPUT})
