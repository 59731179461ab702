# What `cmake --install` and `./run dist` ship. On Linux: bin/mivora-pack,
# share/mivora/mivora.exe (the stub of the Windows build, which mivora-pack
# finds at ../share/mivora from its own folder), and the README and the
# examples under share/doc/mivora; CPack makes a Debian package of the same.
# The Windows build installs mivora-pack.exe and mivora.exe side by side.
if(WIN32)
  install(FILES README.md DESTINATION .)
  return()
endif()

set(MIVORA_STUB "${CMAKE_SOURCE_DIR}/build/win32/mivora.exe" CACHE FILEPATH
    "The installer stub to ship with mivora-pack (built by the win32 preset)")
install(FILES ${MIVORA_STUB} DESTINATION share/mivora)
install(FILES README.md DESTINATION share/doc/mivora)
install(DIRECTORY examples DESTINATION share/doc/mivora PATTERN run-demo.sh EXCLUDE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mivora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tiny installers for 32-bit Windows, built on Linux")
set(CPACK_PACKAGE_DESCRIPTION
    "mivora-pack compiles an install script and a folder tree into mivora.exe, a self-contained installer for Windows.")
set(CPACK_PACKAGE_CONTACT "Mivora developers <mivora@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mivora developers <mivora@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.31)")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
