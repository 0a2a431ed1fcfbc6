# Read by cpack while it builds a package (CPACK_PROJECT_CONFIG_FILE of cmake/package.cmake).
# The program looks for its data and its window module below the prefix it was built for,
# and a Debian package installs below /usr: a build for another prefix (such as the default
# /usr/local) would install a program that cannot find its own files.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR
    "The Debian package needs a build for the prefix /usr, this one is for "
    "${CPACK_PACKAGING_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=/usr")
endif()

# The first line of the Debian changelog names the package version it describes, and a
# package whose changelog names another version is refused by Debian's checks.
if(CPACK_GENERATOR STREQUAL "DEB")
  file(READ "${CPACK_TESSEL_DEBIAN_CHANGELOG}" head LIMIT 200)
  string(REGEX MATCH "^[^\n]*" first_entry "${head}")
  set(version "${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
  if(NOT first_entry MATCHES "^tessel-html \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL version)
    message(FATAL_ERROR
      "packaging/changelog.Debian begins with \"${first_entry}\", not with an entry for "
      "${version}: add one for this version (dch -v ${version}, or by hand)")
  endif()
endif()
