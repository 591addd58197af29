# CPack reads this once for each generator. The zip holds one folder named
# like itself, Sonalix-<version>-<system>; the installer beside it is
# Sonalix-<version>-<system>-setup.exe.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-setup)
endif()
