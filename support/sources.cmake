set(MIVORA_SUPPORT_SOURCES
    support/counted_string.cpp
    support/format_text.cpp
    support/path_buffer.cpp)
set(MIVORA_SUPPORT_POSIX_SOURCES support/files_posix.cpp)
set(MIVORA_SUPPORT_WIN32_SOURCES support/files_win32.cpp)
