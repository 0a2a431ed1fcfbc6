# The Debian package: configure with the prefix the package installs into, build, then
#   cmake -S . -B build-deb -G Ninja -DCMAKE_INSTALL_PREFIX=/usr -DTESSEL_BUILD_TESTS=OFF
#   cmake --build build-deb && (cd build-deb && cpack -G DEB)
# The program finds its installed data and window module by the prefix it was built for,
# so the package uses that same prefix; cpack refuses to build a .deb for any prefix but
# /usr (packaging/cpack_config.cmake).
set(TESSEL_PACKAGE_CONTACT "Loomwork <tessel-html@loomwork.invalid>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")

set(CPACK_PACKAGE_NAME "tessel-html")
set(CPACK_PACKAGE_VENDOR "Loomwork")
set(CPACK_PACKAGE_CONTACT "${TESSEL_PACKAGE_CONTACT}")
# The version the program shows (3.5e), made from PROJECT_VERSION.
if(DEFINED TESSEL_VERSION_TEXT)
  set(CPACK_PACKAGE_VERSION "${TESSEL_VERSION_TEXT}")
else()
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "formats, compresses and trims HTML source files")
set(CPACK_PACKAGE_DESCRIPTION
"Tessel HTML rewrites HTML source files for web authors who keep their pages
by hand. Format lays markup out by a named style (a line for every stand-alone
tag, indentation by tag, text wrapped at a line size, tag names in upper or
lower case, optional generated comments); Compress joins it into as few lines
as possible; Trim removes the whitespace just inside chosen tags; Restore
copies files back from their backups. Scripts, style sheets, preformatted
text, text areas and server-side code pass through unchanged.

It works in a desktop window with a source editor, or without one as a
filter, over whole directory trees in place with numbered backups and a
report, and as a check or unified diff of what it would change.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME "tessel-html")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "web")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries the program and its window module link (the C++ runtime, Qt, QScintilla)
# become the package's dependencies, read off the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help pages and the browser view open through the desktop's default browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The package's own changelog names the version it describes; cpack checks it is this one.
set(CPACK_TESSEL_DEBIAN_CHANGELOG "${PROJECT_SOURCE_DIR}/packaging/changelog.Debian")

set(CPACK_GENERATOR "DEB")
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/packaging/cpack_config.cmake")
include(CPack)
