add_library(korvex_app STATIC
    CConsoleDlg.h CConsoleDlg.cpp
    CAboutDlg.h CAboutDlg.cpp
    CConsoleApp.h CConsoleApp.cpp
)
set_target_properties(korvex_app PROPERTIES AUTOMOC ON)
target_include_directories(korvex_app PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_app PUBLIC korvex_ui korvex_res korvex_link_core korvex_link_serial korvex_link_qt
    korvex_address_core korvex_wall_page korvex_page_video Qt6::Widgets)

add_executable(korvex-console main.cpp)
target_link_libraries(korvex-console PRIVATE korvex_app)
