# Cross build for Windows with MinGW-w64; programs run under Wine. Included by the toolchain file
# of each architecture, which sets MINGW_W64_ARCH (x86_64 or i686) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_W64_ARCH})

set(TOOLCHAIN_PREFIX ${MINGW_W64_ARCH}-w64-mingw32)
# The -posix variants: the -win32 thread model has no std::thread/std::mutex.
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One exe, no runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs test programs through Wine (the prefix comes from the environment).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
