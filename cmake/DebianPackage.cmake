# The Debian package of the native program: `cmake --build --preset linux
# --target package` (or `cpack --preset linux` after a build) writes
# build/linux/sonalix_<version>_amd64.deb from the install rules, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonalix)
set(CPACK_PACKAGE_VENDOR ${SONALIX_VENDOR})
set(CPACK_PACKAGE_CONTACT ${SONALIX_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries the program links, with the versions it needs, as
# dpkg-shlibdeps reads them off the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Sonalix shows how loud the sound arriving at the default audio input is, on
a small borderless strip: the left channel above the right, each with a
signal lamp, a bar that jumps up with the level and falls back smoothly, and
a peak mark that falls more slowly. A menu on the strip and on its tray icon
starts and stops it; the strip stays where it was put.]])
set(CPACK_STRIP_FILES ON)
# Folders as Debian has them whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
