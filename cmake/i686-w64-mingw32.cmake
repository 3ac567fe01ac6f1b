# 32-bit Windows: the program that ships.
set(TILEFOX_TRIPLE i686-w64-mingw32)
set(TILEFOX_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
