korvex_add_test(app_console_window_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/console_window_test.cpp
    LIBS korvex_app)
