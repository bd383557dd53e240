# Pure protocol core of the device link: command texts and frames, address prefixing, received-line
# assembly and reply decoding. Standard library only.
add_library(korvex_link_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CommandFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FormatDec3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineAssembler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplyDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextPrefix.cpp
)
target_include_directories(korvex_link_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
