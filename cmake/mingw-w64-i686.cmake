# Cross build for 32-bit Windows with MinGW-w64 (the exe that runs on 32-bit and 64-bit Windows).
set(MINGW_W64_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
