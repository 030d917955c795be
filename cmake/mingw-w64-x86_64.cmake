# Cross-compiling Tidewick for 64-bit Windows with Debian's MinGW-w64:
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_FIND_ROOT_PATH=<freeglut> -DCMAKE_PREFIX_PATH=<freeglut> \
#         -DTIDEWICK_PAINTER=<a paint_town built for Linux>
# where <freeglut> is where a Windows build of freeglut was installed
# (cmake --preset windows, after tools/freeglut_windows.sh, names both). The
# -posix compilers are the variant whose C++ runtime has std::thread and
# links statically cleanly.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Headers and libraries come from MinGW's own tree and the folders given on
# the command line, never from the Linux system's; programs run here do.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
