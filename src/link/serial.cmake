# The serial port object (no Qt) and its hand-off to a Qt thread.
add_library(korvex_link_serial STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CComLink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PortNaming.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialDevice.cpp)
target_include_directories(korvex_link_serial PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_link_serial PUBLIC Threads::Threads)

add_library(korvex_link_qt STATIC ${CMAKE_CURRENT_LIST_DIR}/QtLinkBridge.cpp)
target_include_directories(korvex_link_qt PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_link_qt PUBLIC korvex_link_serial Qt6::Core)
