# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for std::thread); the programs use
# the compiler's runtime DLLs (libstdc++, libgcc, winpthread), as the Qt DLLs built with it do.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZENTOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZENTOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZENTOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZENTOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
