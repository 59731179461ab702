# What `cmake --install` and `./run dist` ship. On Linux: bin/mivora-pack,
# the two installer stubs share/mivora/mivora.exe (x86, from the win32 build)
# and share/mivora/mivora64.exe (x86-64, from the win64 build), which
# mivora-pack finds at ../share/mivora from its own folder, and the README
# and the examples under share/doc/mivora; CPack makes a Debian package of
# the same. The x86 Windows build installs mivora-pack.exe, mivora.exe and
# mivora64.exe side by side.
set(MIVORA_STUB64 "${CMAKE_SOURCE_DIR}/build/win64/mivora.exe" CACHE FILEPATH
    "The x86-64 installer stub to ship as mivora64.exe (built by the win64 preset)")
if(WIN32)
  install(FILES README.md DESTINATION .)
  # One Windows archive carries both stubs: the x86 build's.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    install(FILES ${MIVORA_STUB64} DESTINATION bin RENAME mivora64.exe)
  endif()
  return()
endif()

set(MIVORA_STUB "${CMAKE_SOURCE_DIR}/build/win32/mivora.exe" CACHE FILEPATH
    "The x86 installer stub to ship with mivora-pack (built by the win32 preset)")
install(FILES ${MIVORA_STUB} DESTINATION share/mivora)
install(FILES ${MIVORA_STUB64} DESTINATION share/mivora RENAME mivora64.exe)
install(FILES README.md DESTINATION share/doc/mivora)
install(DIRECTORY examples DESTINATION share/doc/mivora PATTERN run-demo.sh EXCLUDE)

# The manual page, the copyright and the changelog, the last two and the
# page compressed as Debian wants them: gzip -9n keeps no name and no time.
set(release_docs ${CMAKE_BINARY_DIR}/release-docs)
configure_file(docs/mivora-pack.1 ${release_docs}/mivora-pack.1 @ONLY)
configure_file(docs/debian/changelog ${release_docs}/changelog @ONLY)
add_custom_command(
  OUTPUT ${release_docs}/mivora-pack.1.gz ${release_docs}/changelog.gz
  COMMAND gzip -9nkf mivora-pack.1 changelog
  WORKING_DIRECTORY ${release_docs}
  DEPENDS ${release_docs}/mivora-pack.1 ${release_docs}/changelog)
add_custom_target(release_docs ALL DEPENDS ${release_docs}/mivora-pack.1.gz ${release_docs}/changelog.gz)
install(FILES ${release_docs}/mivora-pack.1.gz DESTINATION share/man/man1)
install(FILES docs/debian/copyright ${release_docs}/changelog.gz DESTINATION share/doc/mivora)
install(FILES docs/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME mivora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mivora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tiny installers for Windows, built on Linux")
set(CPACK_PACKAGE_DESCRIPTION
    "mivora-pack compiles an install script and a folder tree into mivora.exe,\na self-contained installer for Windows, x86 or x86-64.")
set(CPACK_PACKAGE_CONTACT "Mivora developers <mivora@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mivora developers <mivora@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# mivora-pack is linked statically: it depends on no library.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
