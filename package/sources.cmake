set(MIVORA_PACKAGE_SOURCES
    package/package_view.cpp)
