# Runs PROGRAM through EMULATOR with ARGS ("|" between arguments) and
# requires exit code CODE and output matching PATTERN.
string(REPLACE "|" ";" args "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT code STREQUAL "${CODE}")
  message(FATAL_ERROR "exit code ${code}, expected ${CODE}")
endif()
if(NOT "${out}${err}" MATCHES "${PATTERN}")
  message(FATAL_ERROR "the output does not match \"${PATTERN}\"")
endif()
