# Fails the build when a program imports a library that Windows does not
# always take from its system folder (the KnownDLLs). Every other library is
# loaded at run time by its full path (src/base/system_library.h): a library
# of the same name beside the program must never be loaded in its stead.
#   cmake -DOBJDUMP=... -DPROGRAM=... -P check_imports.cmake
cmake_policy(SET CMP0057 NEW)
set(ALLOWED advapi32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
# A program that fails the check is removed: nothing may pick it up from the
# build tree as if it had been built.
if(NOT status EQUAL 0)
  file(REMOVE "${PROGRAM}")
  message(FATAL_ERROR "cannot read the imports of ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(refused)
foreach(line IN LISTS names)
  string(REGEX REPLACE "DLL Name: ([^\n .]+)\\.[dD][lL][lL].*" "\\1" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST ALLOWED)
    list(APPEND refused "${name}.dll")
  endif()
endforeach()
if(refused)
  file(REMOVE "${PROGRAM}")
  list(JOIN refused ", " refused)
  message(FATAL_ERROR "${PROGRAM} imports ${refused}, which Windows may take from the "
    "program's own folder: load at run time with loadSystemLibrary (src/base/system_library.h)")
endif()
