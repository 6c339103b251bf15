# Cross-compiles for 32-bit Windows (32-bit Internet Explorer loads the 32-bit DLL).
set(CC_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
