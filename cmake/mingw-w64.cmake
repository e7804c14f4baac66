# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for std::thread):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-dll.cmake)

# libgcc, libstdc++ and winpthread linked in, so the programs run under Wine without the compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
