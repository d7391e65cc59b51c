# cmake -DINPUT=FILE -DOUTPUT=FILE.gz [-DSCDOC=scdoc] -P compress.cmake
# Writes INPUT gzip-compressed as Debian asks (-9, no name or time stamp) to OUTPUT,
# turning it from scdoc into a manual page first when SCDOC is given.
set(source "${INPUT}")
if(SCDOC)
  set(source "${OUTPUT}.roff")
  execute_process(COMMAND "${SCDOC}" INPUT_FILE "${INPUT}" OUTPUT_FILE "${source}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "scdoc failed on ${INPUT}")
  endif()
endif()
execute_process(COMMAND gzip -9 -n -c "${source}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${source}")
endif()
