# GoogleTest for the tests: the installed package where there is one; otherwise (a cross build, or a
# machine without a GoogleTest package) built here from a source tree, by default Debian's
# `googletest` package under /usr/src/googletest.
set(KORVEX_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources, used when no installed GoogleTest is found")

find_package(GTest QUIET)
if(NOT TARGET GTest::gtest)
    if(NOT EXISTS "${KORVEX_GTEST_SOURCE_DIR}/CMakeLists.txt")
        message(FATAL_ERROR "GoogleTest not found: install it, or set KORVEX_GTEST_SOURCE_DIR to its sources "
                            "(Debian: apt-get install googletest)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${KORVEX_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    # GoogleTest names its targets GTest::... itself from 1.11 on.
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gmock ALIAS gmock)
    endif()
endif()
