# Cross build for 32-bit Windows with mingw-w64: the installer everyone gets.
set(MIVORA_MINGW i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MIVORA_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
