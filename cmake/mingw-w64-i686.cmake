# Cross build of the 32-bit Windows DLL with Debian's mingw-w64
# (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TASC_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# SSE2 arithmetic, never the x87 unit: the 32-bit build computes the same bits
# as the 64-bit and POSIX builds. A host compiled for 32-bit Windows only keeps
# the stack 4-byte aligned, so the code realigns where SSE spills need 16.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
# The .def file names the stdcall entry points without their @n decoration.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup -Wl,--kill-at")
string(APPEND CMAKE_MODULE_LINKER_FLAGS_INIT " -Wl,--enable-stdcall-fixup -Wl,--kill-at")
