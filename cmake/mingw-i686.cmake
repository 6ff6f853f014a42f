# Cross toolchain: 32-bit Windows programs with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# The posix threads model keeps std::thread and std::mutex available; winpthread is linked statically.
find_program(CMAKE_CXX_COMPILER NAMES ${TOOLCHAIN_PREFIX}-g++-posix ${TOOLCHAIN_PREFIX}-g++)
find_program(CMAKE_C_COMPILER NAMES ${TOOLCHAIN_PREFIX}-gcc-posix ${TOOLCHAIN_PREFIX}-gcc)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# zlib comes from libz-mingw-w64-dev under the find root above. Asking for
# the static archive keeps the programs free of zlib1.dll: a target that
# needs it says find_package(ZLIB REQUIRED) and links ZLIB::ZLIB, which
# then names /usr/i686-w64-mingw32/lib/libz.a (FindZLIB, CMake 3.24 or later).
set(ZLIB_USE_STATIC_LIBS ON)
