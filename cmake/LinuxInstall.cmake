# Installing on Linux: the programs, their data, the application menu entry, icons, AppStream
# metadata, manual pages, and the Debian package (CPack DEB, built by scripts/package).
#
# Installed layout (relocatable: each program finds the others relative to its own folder):
#   bin/kivra, bin/kivra-settings
#   libexec/kivra/kivlink            started by kivra only, so kept out of PATH
#   share/kivra/help/, share/kivra/welcome.gif
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/{scalable,NxN}/apps/<id>.{svg,png}, share/man/man1/*.1.gz
include(GNUInstallDirs)

set(KIVRA_APP_ID org.kivra.Kivra)
set(KIVRA_HOMEPAGE https://kivra.org/)
set(KIVRA_MAINTAINER "Kivra maintainers <maintainers@kivra.org>")
# The release's own date (not the build's), so that packages build reproducibly.
set(KIVRA_RELEASE_DATE 2026-12-07)
set(KIVRA_RELEASE_RFC2822 "Mon, 07 Dec 2026 00:00:00 +0000")

set(_pkg ${PROJECT_SOURCE_DIR}/packaging/linux)
set(_out ${CMAKE_BINARY_DIR}/install-files)
set(_kivra_libexec ${CMAKE_INSTALL_LIBEXECDIR}/kivra)
set(_kivra_data ${CMAKE_INSTALL_DATADIR}/kivra)

# The programs' folders relative to each other, for ProgramPlaces.cpp.
file(RELATIVE_PATH _link_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kivra)
file(RELATIVE_PATH _data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/kivra)
file(RELATIVE_PATH _data_from_link ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kivra ${CMAKE_INSTALL_FULL_DATADIR}/kivra)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/common/ProgramPlaces.cpp
             DIRECTORY ${PROJECT_SOURCE_DIR}/src/common APPEND PROPERTY COMPILE_DEFINITIONS
             KIVRA_LINK_FROM_BIN="${_link_from_bin}" KIVRA_DATA_FROM_BIN="${_data_from_bin}"
             KIVRA_DATA_FROM_LINK="${_data_from_link}")
# The start-at-login entry names the application by the same id.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/platform/posix/Autostart.cpp
             DIRECTORY ${PROJECT_SOURCE_DIR}/src/platform APPEND PROPERTY COMPILE_DEFINITIONS
             KIVRA_APP_ID="${KIVRA_APP_ID}")

install(TARGETS kivra-settings RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT KIVRA_WITH_QT)
  return()
endif()
install(TARGETS kivra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kivlink RUNTIME DESTINATION ${_kivra_libexec})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${_kivra_data}/help)
install(FILES ${PROJECT_SOURCE_DIR}/assets/welcome.gif DESTINATION ${_kivra_data})

# Desktop entry, metadata and the Debian changelog, filled in with the id and the version.
configure_file(${_pkg}/kivra.desktop.in ${_out}/${KIVRA_APP_ID}.desktop @ONLY)
configure_file(${_pkg}/kivra.metainfo.xml.in ${_out}/${KIVRA_APP_ID}.metainfo.xml @ONLY)
configure_file(${_pkg}/changelog.in ${_out}/changelog @ONLY)
install(FILES ${_out}/${KIVRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_out}/${KIVRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: our SVG as it is, and PNGs of the usual sizes drawn from it at build time.
find_program(KIVRA_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KIVRA_GZIP gzip REQUIRED)
set(_svg ${PROJECT_SOURCE_DIR}/src/common/ui/icons/program.svg)
set(_generated)
foreach(size 16 22 24 32 48 64 128 256)
  set(_png ${_out}/icons/${size}x${size}/${KIVRA_APP_ID}.png)
  add_custom_command(OUTPUT ${_png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${_out}/icons/${size}x${size}
                     COMMAND ${KIVRA_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_svg}
                     DEPENDS ${_svg} VERBATIM)
  list(APPEND _generated ${_png})
  install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${KIVRA_APP_ID}.svg)

# Manual pages and the changelog, compressed as Debian wants them (no name or time inside).
foreach(page kivra.1 kivra-settings.1)
  add_custom_command(OUTPUT ${_out}/${page}.gz
                     COMMAND ${KIVRA_GZIP} -9nc ${_pkg}/${page} > ${_out}/${page}.gz
                     DEPENDS ${_pkg}/${page})
  list(APPEND _generated ${_out}/${page}.gz)
  install(FILES ${_out}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${_out}/changelog.gz
                   COMMAND ${KIVRA_GZIP} -9nc ${_out}/changelog > ${_out}/changelog.gz
                   DEPENDS ${_out}/changelog)
list(APPEND _generated ${_out}/changelog.gz)
add_custom_target(kivra_install_files ALL DEPENDS ${_generated})
install(FILES ${_out}/changelog.gz ${_pkg}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kivra)

# The Debian package: scripts/package runs cpack in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kivra Authors")
set(CPACK_PACKAGE_CONTACT "${KIVRA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cover part of another application's window with a picture")
# Debian's description: lines under 80 characters (CPack indents them).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Kivra is a small tool for visual privacy: an always-on-top window covers\n"
       "part of another application's window, such as an advertisement or a chat\n"
       "pane, with a picture on a background colour. Host links name a window by\n"
       "its title. A link window then starts by itself when its host comes to the\n"
       "front, follows it as it moves and ends when it closes.\n"
       "Kivra works with X11 windows.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KIVRA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KIVRA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help opens in the desktop's browser; libwmf measures WMF text with the URW fonts; the
# image-format plugins add TIFF and WebP pictures.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-urw-base35, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The package as a user gets it, extracted and run on a private display.
if(KIVRA_TESTS)
  add_test(NAME package.deb COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-private-display
                                    ${PROJECT_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package.deb PROPERTIES LABELS "x11;package" TIMEOUT 600)
  # The tray icon in a real tray (trayer) on a private display.
  add_test(NAME desktop.tray COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-private-display
                                     ${PROJECT_SOURCE_DIR}/tests/desktop/tray_test.sh ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(desktop.tray PROPERTIES LABELS x11 TIMEOUT 300)
endif()
