# Runs the import check on a copy of a scratch program and compares what it
# does with what is expected:
#   EXPECT=accepted  the check passes and the program stays
#   EXPECT=refused   the check fails, names FUNCTION and deletes the program
#   cmake -DCHECK=... -DOBJDUMP=... -DEXPORTS=... -DPROGRAM=... -DCOPY=...
#         -DEXPECT=... [-DFUNCTION=...] -P run_check.cmake
file(COPY_FILE "${PROGRAM}" "${COPY}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DPROGRAM=${COPY} -DEXPORTS=${EXPORTS} -P ${CHECK}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(EXPECT STREQUAL "accepted")
  if(NOT status EQUAL 0 OR NOT EXISTS "${COPY}")
    message(FATAL_ERROR "the check refused a program importing listed functions only:\n${output}")
  endif()
elseif(EXPECT STREQUAL "refused")
  if(status EQUAL 0)
    message(FATAL_ERROR "the check passed a program importing ${FUNCTION}")
  endif()
  if(NOT output MATCHES "${FUNCTION}")
    message(FATAL_ERROR "the check's message does not name ${FUNCTION}:\n${output}")
  endif()
  if(EXISTS "${COPY}")
    message(FATAL_ERROR "the refused program was left in place")
  endif()
else()
  message(FATAL_ERROR "EXPECT must be accepted or refused")
endif()
file(REMOVE "${COPY}")
