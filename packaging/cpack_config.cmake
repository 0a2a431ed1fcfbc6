# Read by cpack while it builds a package (CPACK_PROJECT_CONFIG_FILE of cmake/package.cmake).
# The program looks for its data and its window module below the prefix it was built for,
# and a Debian package installs below /usr: a build for another prefix (such as the default
# /usr/local) would install a program that cannot find its own files.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR
    "The Debian package needs a build for the prefix /usr, this one is for "
    "${CPACK_PACKAGING_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=/usr")
endif()
