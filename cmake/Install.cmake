# Where `cmake --install` puts the program and its desktop files, and the
# Debian package CPack builds from them (scripts/package.sh).
include(GNUInstallDirs)

set(TABULO_RELEASE_DATE "2026-12-09")
set(desktop_src ${PROJECT_SOURCE_DIR}/desktop)
set(desktop_out ${PROJECT_BINARY_DIR}/desktop)

configure_file(${desktop_src}/tabulo.desktop.in ${desktop_out}/${TABULO_APP_ID}.desktop @ONLY)
configure_file(${desktop_src}/tabulo.metainfo.xml.in ${desktop_out}/${TABULO_APP_ID}.metainfo.xml @ONLY)
configure_file(${desktop_src}/tabulo.1.in ${desktop_out}/tabulo.1 @ONLY)
# Man pages go compressed, as the system's own do.
find_program(GZIP gzip REQUIRED)
add_custom_command(
    OUTPUT ${desktop_out}/tabulo.1.gz
    COMMAND ${GZIP} -9nkf ${desktop_out}/tabulo.1
    DEPENDS ${desktop_out}/tabulo.1
    COMMENT "Compressing the man page")
add_custom_target(tabulo_man ALL DEPENDS ${desktop_out}/tabulo.1.gz)

install(TARGETS tabulo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${desktop_out}/${TABULO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_out}/${TABULO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_src}/tabulo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${TABULO_APP_ID}.svg)
install(FILES ${desktop_out}/tabulo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Help Local looks for the manual in ../share/tabulo/helpfiles from bin/.
install(FILES ${PROJECT_SOURCE_DIR}/docs/manual/HelpDocLocal.htm ${PROJECT_SOURCE_DIR}/docs/screenshot.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tabulo/helpfiles)
install(FILES ${desktop_src}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabulo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tabulo List Manager developers")
set(CPACK_PACKAGE_CONTACT "Tabulo List Manager developers <developers@tabulo-list-manager.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "contact and list manager for one person or a small office")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tabulo List Manager keeps people and companies with their addresses, phone numbers,\n"
    "dated notes and categories, announces important dates ahead of time, logs calls\n"
    "and prints mailing labels and phone lists. Several stations can share one data folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tabulo-list-manager.org/")
# The libraries the program links come from dpkg-shlibdeps; the plugins Qt
# loads at run time (the display platform, the SVG icon) are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core")
include(CPack)
