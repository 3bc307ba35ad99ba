# Cross-build for 32-bit Windows with the MinGW-w64 posix-thread compilers
# (GoogleTest needs std::mutex, which the win32-thread ones lack).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KELP_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
