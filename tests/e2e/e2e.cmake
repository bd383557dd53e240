# The console against korvex-sim: one binary per theme, each with the shared console fixture.
foreach(theme link video fault)
    korvex_add_test(e2e_${theme}_test QT
        SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${theme}_e2e_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ConsoleFixture.cpp
        LIBS korvex_app)
    if(TARGET korvex-sim)
        add_dependencies(e2e_${theme}_test korvex-sim)
    endif()
endforeach()
