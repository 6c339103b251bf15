# Shared by the MinGW-w64 toolchain files, which set CC_MINGW_TRIPLE first. The posix
# thread model: GoogleTest needs std::mutex, which GCC 12's win32 model lacks.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CC_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${CC_MINGW_TRIPLE}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${CC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
