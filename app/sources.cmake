set(MIVORA_APP_SOURCES
    app/script_input.cpp)
