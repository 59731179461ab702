# What both mingw-w64 cross builds share; the toolchain file of each target
# sets MIVORA_MINGW (the compiler's triple), CMAKE_SYSTEM_PROCESSOR and
# MIVORA_WINE_LOADER, then includes this. The -posix variant of the compiler
# has std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MIVORA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIVORA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${MIVORA_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MIVORA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MIVORA_WINE_LOADER})
