# mivora_library(NAME [INSTALLER] SOURCES file... [LINKS library...])
#
# The static library of one folder. INSTALLER code is built as the installer
# needs it: no exceptions, no RTTI, no unwind tables. On the host a twin,
# NAME_checked, is built with AddressSanitizer and UBSan and links the
# _checked twins of LINKS; the tests use the twins.
function(mivora_library name)
  cmake_parse_arguments(ARG "INSTALLER" "" "SOURCES;LINKS" ${ARGN})
  set(flags)
  if(ARG_INSTALLER)
    set(flags ${MIVORA_INSTALLER_FLAGS})
  endif()

  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${flags})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})

  if(NOT WIN32)
    list(TRANSFORM ARG_LINKS APPEND _checked OUTPUT_VARIABLE checked_links)
    add_library(${name}_checked STATIC ${ARG_SOURCES})
    target_include_directories(${name}_checked PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${name}_checked PRIVATE ${flags} ${MIVORA_SANITIZE_FLAGS})
    target_link_options(${name}_checked PUBLIC ${MIVORA_SANITIZE_FLAGS})
    target_link_libraries(${name}_checked PUBLIC ${checked_links})
  endif()
endfunction()
