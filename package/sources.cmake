set(MIVORA_PACKAGE_SOURCES
    package/package_view.cpp
    package/package_check.cpp
    package/interpreter.cpp
    package/commands_page.cpp
    package/commands_destination.cpp
    package/commands_extract.cpp)
