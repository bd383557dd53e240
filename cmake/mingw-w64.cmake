# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix), and running
# the results under Wine (Debian: wine64). Used by `make test-windows`:
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKORVEX_CORE_ONLY=ON
#
# The posix thread model is the one with std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVEX_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triplet of the MinGW-w64 tools")
set(CMAKE_C_COMPILER ${KORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# nlohmann-json (headers only) is the build machine's, handed over by the package configuration there.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-nlohmann-json)

# Self-contained programs: no libstdc++, libgcc or winpthread DLLs to find at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the programs through Wine's loader (the wine64 package installs it outside PATH).
find_program(KORVEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KORVEX_WINE NAMES wine64 wine)
if(KORVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVEX_WINE})
endif()
