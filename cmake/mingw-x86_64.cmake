# 64-bit Windows: the same sources, which run the Windows tests under 64-bit
# Wine on machines that cannot execute 32-bit x86 code at all.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
