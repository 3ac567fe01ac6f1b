# 64-bit Windows, for test beds that cannot run 32-bit programs.
set(TILEFOX_TRIPLE x86_64-w64-mingw32)
set(TILEFOX_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
