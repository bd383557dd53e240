korvex_add_test(ui_exchange_test QT
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/exchange_test.cpp
    LIBS korvex_ui)
