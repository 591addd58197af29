# Our own targets link sonalix_warnings and so compile with warnings as
# errors; code from elsewhere built here (GoogleTest) keeps its own flags.
add_library(sonalix_warnings INTERFACE)
target_compile_options(sonalix_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
