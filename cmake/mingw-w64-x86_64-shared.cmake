# Cross-compiling the whole program for 64-bit Windows with Debian's posix-threads MinGW-w64
# compilers, linked against the compilers' runtime DLLs (libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll) as Qt for Windows is: one C++ runtime in the process, not a static copy in
# the program beside the DLL that Qt uses. scripts/windows-libs.sh builds Qt, SQLite and libjpeg
# for Windows with this same file; pass their folder as CMAKE_PREFIX_PATH.
#
#   cmake -S . -B build-windows-full -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64-shared.cmake \
#         -DCMAKE_PREFIX_PATH=$(scripts/windows-libs.sh) -DQT_HOST_PATH=/usr
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)

# Programs (moc, rcc, uic) come from the host; libraries, headers and packages from the MinGW
# root and from the prefixes given in CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

if(NOT DEFINED ZANTREL_WINEPREFIX)
    set(ZANTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-emulator.sh ${ZANTREL_WINEPREFIX})
