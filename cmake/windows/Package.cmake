# Installing and packaging the Windows programs. Everything lives in one folder (Program
# Files\Kivra, or wherever the zip is unpacked): the programs, the help, the welcome picture,
# Qt's DLLs with the platform, style and image-format plugins, and the compiler's runtime DLLs.
install(TARGETS kivra kivlink kivra-settings RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION help)
install(FILES ${PROJECT_SOURCE_DIR}/assets/welcome.gif DESTINATION .)

install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
foreach(plugin platforms:QWindowsIntegrationPlugin styles:QWindowsVistaStylePlugin
               imageformats:QGifPlugin imageformats:QICOPlugin imageformats:QJpegPlugin)
  string(REPLACE ":" ";" plugin ${plugin})
  list(GET plugin 0 folder)
  list(GET plugin 1 name)
  if(TARGET Qt6::${name})
    install(FILES $<TARGET_FILE:Qt6::${name}> DESTINATION ${folder})
  elseif(NOT name STREQUAL "QWindowsVistaStylePlugin")
    message(FATAL_ERROR "Qt for Windows lacks its ${name}")
  endif()
endforeach()
# The runtime of mingw-w64's C++ (the programs and Qt use the same DLLs).
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    install(FILES ${path} DESTINATION .)
    # Debian ships them with their debugging information; users need none of it.
    install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dll}\")")
  endif()
endforeach()

# scripts/windows-package: package/Kivra-<version>-win64.zip and -setup.exe (NSIS).
set(CPACK_PACKAGE_NAME Kivra)
set(CPACK_PACKAGE_VENDOR Kivra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kivra covers part of another window with a small always-on-top window")
set(CPACK_PACKAGE_FILE_NAME Kivra-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kivra)
set(CPACK_PACKAGE_EXECUTABLES ${KIVRA_MAIN_NAME} Kivra)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/cmake/windows/installer-notice.txt)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_DISPLAY_NAME Kivra)
set(CPACK_NSIS_PACKAGE_NAME Kivra)
set(CPACK_NSIS_INSTALLED_ICON_NAME ${KIVRA_MAIN_NAME}.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/src/main/kivra-resources/program.ico)
set(CPACK_NSIS_MUI_UNIICON ${CPACK_NSIS_MUI_ICON})
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer, like the programs: it also runs where Wine has no 32-bit side.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The installer is the -setup.exe beside the zip.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageNames.cmake)
include(CPack)
