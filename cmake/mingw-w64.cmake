# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads flavour, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VERANTU_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VERANTU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VERANTU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VERANTU_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW sysroot only, programs from the
# build machine. Header-only packages (CLI11, nlohmann-json) install their
# CMake files on the build machine, so packages are looked for in both.
set(CMAKE_FIND_ROOT_PATH /usr/${VERANTU_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Test programs run under Wine.
find_program(VERANTU_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(VERANTU_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VERANTU_WINE})
endif()
