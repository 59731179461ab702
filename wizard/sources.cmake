set(MIVORA_WIZARD_SOURCES
    wizard/presentation.cpp)
