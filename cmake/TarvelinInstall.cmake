# Installed: the programs in bin, the shared host libraries and the plug-in module under
# lib/tarvelin (found through the programs' run path), the menu entry and its icon.
include(GNUInstallDirs)
set(_libdir ${CMAKE_INSTALL_LIBDIR}/tarvelin)
set_target_properties(tarvelin tarvelin-studio PROPERTIES INSTALL_RPATH "$ORIGIN/../${_libdir}")
set_target_properties(tarvelin_core tarvelin_host tarvelin_layout PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(tarvelin_plugin PROPERTIES INSTALL_RPATH "$ORIGIN/..")
install(TARGETS tarvelin tarvelin-studio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tarvelin_core tarvelin_host tarvelin_layout LIBRARY DESTINATION ${_libdir})
install(TARGETS tarvelin_plugin LIBRARY DESTINATION ${_libdir}/plugins)
install(FILES ${PROJECT_SOURCE_DIR}/apps/studio/tarvelin-studio.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/apps/studio/tarvelin-studio.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/examples/default-template.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvelin)

# `cpack` in a build tree makes the Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvelin)
set(CPACK_PACKAGE_VENDOR "Tarvelin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pagination of advertisements: command line and layout studio")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarvelin developers <tarvelin@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The library dependencies are read from the binaries; fonts and image formats are
# loaded at run time and named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2, qt6-image-formats-plugins, qt6-qpa-plugins")
include(CPack)
