korvex_add_test(wall_core_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LayoutFileTest.cpp ${CMAKE_CURRENT_LIST_DIR}/CaptureRectsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/PanelCommandTest.cpp
    LIBS korvex_wall_core)
