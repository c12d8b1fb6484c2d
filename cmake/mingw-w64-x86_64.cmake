# Cross build for 64-bit Windows on Linux with MinGW-w64 (Debian package
# g++-mingw-w64-x86-64). Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNO_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX thread model: its C++ library has std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${VARNO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNO_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW tree only; programs (python3,
# wine) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VARNO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
