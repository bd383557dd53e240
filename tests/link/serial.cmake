korvex_add_test(korvex_link_serial_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_comlink_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/serial_portnaming_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/serial_device_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/serial_pty.cpp
    LIBS korvex_link_serial)

korvex_add_test(korvex_link_qt_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_bridge_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/serial_pty.cpp
    LIBS korvex_link_qt
    QT)
