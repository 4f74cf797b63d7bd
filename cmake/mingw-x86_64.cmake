# The test build: the same code as 64-bit Windows programs, which the 64-bit
# Wine of these machines runs (they cannot start 32-bit Linux programs, and
# with them the 32-bit Wine loader).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VK_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
