# A self-contained exe: no mingw runtime DLL beside it, Unicode Win32 API, XP-era headers upward.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
# Every Win32 test runs under Wine through the emulator set by the toolchain.
set(SONALIX_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
