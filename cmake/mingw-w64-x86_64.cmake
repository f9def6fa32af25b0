# Cross-build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, which std::thread and GoogleTest need):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(INTERCOM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${INTERCOM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${INTERCOM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${INTERCOM_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${INTERCOM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static, the compiler's runtime and winpthread included: the
# programs run on a bare Windows (or Wine) without extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
