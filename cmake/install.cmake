# What `cmake --install` puts in place.
# Directories made by the install are 0755 whatever the umask, as a package needs them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS tessel-html RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TESSEL_BUILD_GUI)
  install(TARGETS tessel-html-window LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tessel-html)
endif()
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tessel-html)

# The desktop's view of the program: a menu entry that also opens HTML files, its icon and
# the software-centre description, all named by the program's AppStream id. Without the
# window there is nothing for them to start.
if(TESSEL_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TESSEL_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TESSEL_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TESSEL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

install(FILES ${TESSEL_DOC_DIR}/gz/tessel-html.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The licence itself is /usr/share/common-licenses/GPL-3 on Debian; copyright names it.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
              ${TESSEL_DOC_DIR}/gz/changelog.gz ${TESSEL_DOC_DIR}/gz/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessel-html)
# Debian's package checks read their exceptions from here; each one says why beside it.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tessel-html)
