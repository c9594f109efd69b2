# Cross-compiling the Qt-free core for 64-bit Windows with Debian's MinGW-w64 compilers: the
# compilers, programs and emulator of the whole program's toolchain file
# (mingw-w64-x86_64-shared.cmake), but the C and C++ runtimes and winpthreads linked in
# statically, so the programs run without DLLs of their own, and libraries, headers and packages
# from the MinGW root alone. Tests run through Wine (cmake/wine-emulator.sh) in the prefix
# ZANTREL_WINEPREFIX, by default wine-prefix in the build folder.
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DZANTREL_NET_ONLY=ON -DGTest_DIR=<GoogleTest built with this file>/lib/cmake/GTest
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-shared.cmake)

set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
