# Icons and the string table. The icons are addressed by their resource numbers (Resources.h).
add_library(korvex_res STATIC Resources.cpp)
target_include_directories(korvex_res PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_res PUBLIC Qt6::Gui Qt6::Svg)
qt_add_resources(korvex_res "korvex_icons" PREFIX "/" FILES
    icons/app.svg icons/port-off.svg icons/port-on.svg icons/mv-3x3.svg icons/mv-2x2.svg)
