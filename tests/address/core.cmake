korvex_add_test(address_core_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AddressFileTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TextScannerTest.cpp
    LIBS korvex_address_core)
