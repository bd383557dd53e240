add_library(korvex_ui STATIC
    IpAddressEdit.h
    Controls.cpp
    Exchange.cpp
    MessageBox.cpp
    FileDialog.cpp
    IpAddressEdit.cpp
)
target_include_directories(korvex_ui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_ui PUBLIC Qt6::Widgets)
set_target_properties(korvex_ui PROPERTIES AUTOMOC ON)
