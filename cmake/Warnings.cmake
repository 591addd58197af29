# Our own targets link sonalix_warnings and so compile with warnings as
# errors; code from elsewhere built here (GoogleTest) keeps its own flags.
add_library(sonalix_warnings INTERFACE)
target_compile_options(sonalix_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
# GCC 12's optimiser reports a moved-from std::string as maybe uninitialised
# (a known false positive in the library's inlined code); the sanitizer builds
# and clang-tidy still look for real uses of uninitialised values.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  target_compile_options(sonalix_warnings INTERFACE -Wno-maybe-uninitialized)
endif()
