korvex_add_test(app_console_window_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/console_window_test.cpp
    LIBS korvex_app)

korvex_add_test(app_multiview_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/multiview_test.cpp ${PROJECT_SOURCE_DIR}/tests/link/serial_pty.cpp
    LIBS korvex_app util)
target_include_directories(app_multiview_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/link)
