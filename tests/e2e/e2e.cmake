korvex_add_test(e2e_link_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/link_e2e_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ConsoleFixture.cpp
    LIBS korvex_app)
if(TARGET korvex-sim)
    add_dependencies(e2e_link_test korvex-sim)
endif()

korvex_add_test(e2e_video_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/video_e2e_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ConsoleFixture.cpp
    LIBS korvex_app)
if(TARGET korvex-sim)
    add_dependencies(e2e_video_test korvex-sim)
endif()

korvex_add_test(e2e_fault_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fault_e2e_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ConsoleFixture.cpp
    LIBS korvex_app)
if(TARGET korvex-sim)
    add_dependencies(e2e_fault_test korvex-sim)
endif()
