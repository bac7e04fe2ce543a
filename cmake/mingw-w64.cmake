# Cross build for 64-bit Windows with mingw-w64; the programs run under Wine.
# The -posix compilers are needed: the win32 thread model has no std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TZ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TZ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++, libgcc or winpthread DLLs to
# find at run time, under Wine or on a user's machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs and test discovery run through Wine (the wine64 loader is
# chosen by the "wine" launcher; only 64-bit programs are built here, since a
# 32-bit one under a 64-bit-only Wine exits 0 without running).
# Each build directory has a Wine prefix of its own, so CI and developers
# never share Wine state; scripts/test-windows prepares it.
set(TZ_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${TZ_WINEPREFIX} WINEDEBUG=-all wine)
