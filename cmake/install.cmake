# What `cmake --install` puts in place.
install(TARGETS tessel-html RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TESSEL_BUILD_GUI)
  install(TARGETS tessel-html-window LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tessel-html)
endif()
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tessel-html)

# The desktop's view of the program: a menu entry that also opens HTML files, its icon and
# the software-centre description. Without the window there is nothing for them to start.
if(TESSEL_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessel-html.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessel-html.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tessel-html.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessel-html)
