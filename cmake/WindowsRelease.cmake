# What a Windows user gets, from `cmake --build --preset win32 --target
# package`: the folder to unpack anywhere writable (zip), and the installer
# for the user's own programs folder (NSIS, the template in main/win32/installer).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Sonalix)
set(CPACK_PACKAGE_VENDOR ${SONALIX_VENDOR})
set(CPACK_PACKAGE_FILE_NAME Sonalix-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Sonalix)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Sonalix)
set(CPACK_NSIS_DISPLAY_NAME Sonalix)
set(CPACK_NSIS_PACKAGE_NAME Sonalix)
set(CPACK_NSIS_URL_INFO_ABOUT ${PROJECT_HOMEPAGE_URL})
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/main/win32/MAINICON.ico)
set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/main/win32/installer)
# What differs between the zip and the installer, read by CPack for each.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/WindowsPackageEach.cmake)
include(CPack)
