# Cross build for 64-bit Windows. The shipped binaries are 32-bit; this build runs the
# Windows tests on machines whose kernel cannot execute 32-bit code (and so no 32-bit Wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RW_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
