# Shared part of the MinGW-w64 toolchains (POSIX thread flavour, so that
# std::thread and std::mutex exist). VK_TRIPLE is set by the including file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${VK_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VK_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VK_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VK_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
