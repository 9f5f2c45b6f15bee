# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model, for std::thread and
# std::mutex), the C and C++ runtimes linked statically so the programs need no DLL of the
# compiler's. Libraries mingw lacks come from ORVEX_WINDOWS_PREFIX, which ./dev builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(ORVEX_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/third-party/mingw" CACHE PATH
    "Where ./dev installs the third-party libraries built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${ORVEX_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# mingw's zlib comes as a DLL and as an archive: the archive, so no program needs zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
# pkg-config sees the prefix only (cpp-httplib's entry), never the machine's own libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${ORVEX_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# Tests run the programs through wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
