# Shared part of the mingw-w64 toolchain files. Expects TASC_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TASC_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TASC_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${TASC_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TASC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime is linked in: the DLL and the test programs import nothing but
# system DLLs (KERNEL32, USER32, msvcrt), so a user copies one file.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Programs built here run under wine when CMake or CTest needs to run them.
find_program(TASC_WINE wine)
if(TASC_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TASC_WINE})
endif()
