# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# threads flavour, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VERANTU_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VERANTU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VERANTU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VERANTU_MINGW_TRIPLET}-windres)

# Libraries, headers and packages come from the MinGW sysroot only, programs
# from the build machine. The header-only libraries (CLI11, nlohmann-json)
# are Debian's, reached through a folder that holds nothing else
# (VERANTU_HEADER_ONLY_ROOT/include), so that the build machine's own C
# headers in /usr/include stay out of the Windows build.
set(CMAKE_FIND_ROOT_PATH /usr/${VERANTU_MINGW_TRIPLET})
if(VERANTU_HEADER_ONLY_ROOT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VERANTU_HEADER_ONLY_ROOT})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VERANTU_HEADER_ONLY_ROOT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine.
find_program(VERANTU_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(VERANTU_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VERANTU_WINE})
endif()
