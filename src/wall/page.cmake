add_library(korvex_wall_page STATIC CVideoWallPage.h CVideoWallPage.cpp)
set_target_properties(korvex_wall_page PROPERTIES AUTOMOC ON)
target_include_directories(korvex_wall_page PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_wall_page PUBLIC korvex_wall_core korvex_ui Qt6::Widgets)
