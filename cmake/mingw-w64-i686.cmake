# Cross-compiling for 32-bit Windows with mingw-w64 (the 32-bit Pictlet.dll).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PS_MINGW_TRIPLET i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
