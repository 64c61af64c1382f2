# Installation and the Debian package.
#
# Layout on Linux: the program keeps its data beside itself (the demo database "demo.db" is found
# relative to the program's folder, and so is the profile file), so the executable, demo.db and a
# read-only template profile file go together into lib/zemo-db/, with bin/zemo-db a relative symlink
# to the executable. Qt resolves the symlink through /proc/self/exe, so applicationDirPath() is
# lib/zemo-db. On Windows everything sits in bin/.

if(WIN32)
  set(ZEMO_INSTALL_APPDIR bin)
else()
  set(ZEMO_INSTALL_APPDIR lib/zemo-db)
endif()

# A fresh profile file holding the demo profile: never the developer's own build/bin/KESTO.ini.
set(ZEMO_TEMPLATE_INI ${CMAKE_BINARY_DIR}/package/KESTO.ini)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
execute_process(COMMAND ${CMAKE_COMMAND} -DINI=${ZEMO_TEMPLATE_INI} -P ${CMAKE_SOURCE_DIR}/cmake/DefaultProfile.cmake)

install(TARGETS zemo-db RUNTIME DESTINATION ${ZEMO_INSTALL_APPDIR})
install(FILES ${ZEMO_DEMO_DB} ${ZEMO_TEMPLATE_INI} DESTINATION ${ZEMO_INSTALL_APPDIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

if(NOT WIN32)
  # bin/zemo-db -> ../lib/zemo-db/zemo-db, made at install time so that DESTDIR and CPack staging work.
  install(CODE [[
    set(bindir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${bindir}")
    file(REMOVE "${bindir}/zemo-db")
    file(CREATE_LINK ../lib/zemo-db/zemo-db "${bindir}/zemo-db" SYMBOLIC)
    message(STATUS "Installing: ${bindir}/zemo-db -> ../lib/zemo-db/zemo-db")
  ]])

  install(FILES ${CMAKE_SOURCE_DIR}/res/zemo-db.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/res/zemo-db.svg DESTINATION share/icons/hicolor/scalable/apps)
  foreach(n 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/res/icons/zemo-db-${n}.png DESTINATION share/icons/hicolor/${n}x${n}/apps
            RENAME zemo-db.png)
  endforeach()
endif()

# Debian package: `cpack -G DEB` in the build folder gives zemo-db_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME zemo-db)
set(CPACK_PACKAGE_VENDOR "ZEMO-DB")
set(CPACK_PACKAGE_CONTACT "ZEMO-DB maintainers <zemo-db@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Look into an Oracle schema without writing SQL")
set(CPACK_PACKAGE_DESCRIPTION
    "ZEMO-DB lists the tables and views of a schema, lets the user pick display columns and build WHERE \
conditions from drop-downs, runs the assembled SELECT and shows the rows in a grid that can be copied \
or saved as CSV. Japanese user interface. Includes a small SQLite demo database.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zemo-db)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# Libraries the executable links come from dpkg-shlibdeps when it is there; the rest are loaded at
# run time (the X11 platform plugin, libpq for PostgreSQL, the Japanese fonts the windows' fonts fall
# back to, Qt's Japanese translations for its own dialogs, libsecret, which QtKeychain loads to reach
# the desktop keyring).
find_program(ZEMO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZEMO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(zemo_deb_libs "")
else()
  set(zemo_deb_libs "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6sql6 (>= 6.4), \
libsqlite3-0, libxlsxwriter4, libminizip1, libodbc2, libodbcinst2, libqt6keychain1, libqt6dbus6, libstdc++6, libc6, ")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${zemo_deb_libs}qt6-qpa-plugins (>= 6.4), libpq5, libsecret-1-0, qt6-translations-l10n, fonts-ipafont-gothic, \
fonts-ipafont-mincho")
# ODBC data sources and Oracle go through the ODBC driver manager, PostgreSQL through libpq: Qt's
# SQL driver plug-ins are not needed (Debian's Qt has no Oracle plug-in).
set(CPACK_GENERATOR DEB)
include(CPack)
