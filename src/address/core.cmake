# The address table and its file, plus the file helpers both console files share (formatted reads,
# starred descriptions, replacing a file whole). Standard library only.
add_library(korvex_address_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AddressFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileReplace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListLabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StarredDescription.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextScanner.cpp
)
target_include_directories(korvex_address_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
