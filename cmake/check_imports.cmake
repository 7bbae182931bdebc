# Fails the build when a program imports a library that Windows does not
# always take from its system folder (the KnownDLLs). Every other library is
# loaded at run time by its full path (src/base/system_library.h): a library
# of the same name beside the program must never be loaded in its stead.
# With EXPORTS (a list like win9x_exports.txt), every imported function must
# be in the list too: the loader of an older Windows refuses a program that
# imports a function its libraries do not export.
#   cmake -DOBJDUMP=... -DPROGRAM=... [-DEXPORTS=...] -P check_imports.cmake
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

if(NOT EXPORTS)
  return()
endif()
# Windows 98 and NT 4.0 load no program that asks for a newer system.
foreach(field MajorSubsystemVersion MajorOSystemVersion)
  if(NOT dump MATCHES "${field}[ \t]+([0-9]+)" OR CMAKE_MATCH_1 GREATER 4)
    file(REMOVE "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM} asks for Windows version ${CMAKE_MATCH_1} (${field}); "
      "Windows 98 and NT 4.0 need 4 at most")
  endif()
endforeach()
# "library.dll Function  source" per line; "#" starts a comment.
file(STRINGS "${EXPORTS}" entries REGEX "^[^#]")
set(known)
foreach(entry IN LISTS entries)
  if(entry MATCHES "^([^ \t]+)[ \t]+([^ \t]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" library)
    list(APPEND known "${library}!${CMAKE_MATCH_2}")
  endif()
endforeach()
if(NOT known)
  file(REMOVE "${PROGRAM}")
  message(FATAL_ERROR "${EXPORTS} lists no function")
endif()
# objdump lists each library's functions below its "DLL Name:" line as
# "<tab><address><tab> <hint>  <name>".
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(library "")
set(unknown)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: ([^ \t]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" library)
  elseif(library AND line MATCHES "^\t[0-9a-fA-F]+\t +[0-9]+ +([^ \t]+)$")
    if(NOT "${library}!${CMAKE_MATCH_1}" IN_LIST known)
      list(APPEND unknown "${library}!${CMAKE_MATCH_1}")
    endif()
  elseif(library AND line MATCHES "^\t[0-9a-fA-F]+\t +<none>")
    list(APPEND unknown "${library}!(by ordinal)")
  endif()
endforeach()
if(unknown)
  file(REMOVE "${PROGRAM}")
  list(JOIN unknown ", " unknown)
  message(FATAL_ERROR "${PROGRAM} imports ${unknown}, which ${EXPORTS} does not list: the "
    "oldest Windows the program runs on may not export it; look it up at run time "
    "(systemFunction in src/base/system_library.h) with a fallback")
endif()
