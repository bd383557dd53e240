# The VIDEO page: routing radios and the border line.
add_library(korvex_page_video STATIC
    ${CMAKE_CURRENT_LIST_DIR}/video/CVideoPage.h
    ${CMAKE_CURRENT_LIST_DIR}/video/CVideoPage.cpp
)
set_target_properties(korvex_page_video PROPERTIES AUTOMOC ON)
target_include_directories(korvex_page_video PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_page_video PUBLIC korvex_ui korvex_link_core Qt6::Widgets)
