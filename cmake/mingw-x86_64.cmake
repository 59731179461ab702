# Cross build for 64-bit Windows with mingw-w64: the installer's x86-64 twin,
# for Windows without its 32-bit layer and for machines whose Wine runs
# 64-bit programs only.
set(MIVORA_MINGW x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MIVORA_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
