# Cross-compiles the setup program and its Win32 tests for 32-bit Windows with
# mingw-w64. Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_TRIPLE i686-w64-mingw32)
# The posix thread model: GoogleTest and the robot need std::mutex and
# std::thread, which the win32 model lacks. Linked statically, it adds no DLL
# to the programs, but its threads library imports functions that only newer
# Windows versions export (GetTickCount64, TryEnterCriticalSection, the
# vectored exception handlers). The setup program and the uninstaller run one
# thread: they are linked by the win32 model's driver, whose runtime has no
# threads library (SETUP_PROGRAM_LINKER, see src/CMakeLists.txt). Their
# objects call no thread function: one that did would not link.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(SETUP_PROGRAM_LINKER ${MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static zlib, libgcc and libstdc++: the programs depend on system DLLs only.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")

# Each function in a section of its own, so that the linker leaves out what
# the programs never call. (Data sections stay whole: split, the zero-filled
# buffers would be written into the image.)
set(CMAKE_C_FLAGS_INIT "-ffunction-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
