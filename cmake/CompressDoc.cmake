# cmake -DINPUT=<file> -DOUTPUT=<file.gz> -DGZIP=<gzip> [-DSCDOC=<scdoc>] -P CompressDoc.cmake
# Converts an scdoc source to roff when SCDOC is given, then compresses it without name or time,
# so that the same source gives the same bytes. A failed step leaves no output behind.
set(text "${INPUT}")
if(SCDOC)
  string(REGEX REPLACE "\\.gz$" "" text "${OUTPUT}")
  execute_process(COMMAND "${SCDOC}" INPUT_FILE "${INPUT}" OUTPUT_FILE "${text}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE "${text}")
    message(FATAL_ERROR "scdoc failed on ${INPUT}")
  endif()
endif()
execute_process(COMMAND "${GZIP}" -9 -n -c INPUT_FILE "${text}" OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "gzip failed on ${text}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
