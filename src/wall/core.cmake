# Video-wall presets, the KorvexVW.ini layout file, capture rectangles and the panel command lines.
# Standard library only; shares the console-file helpers of the address core.
add_library(korvex_wall_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ComputeCaptureRects.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LayoutFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WallPreset.cpp
)
target_include_directories(korvex_wall_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_wall_core PUBLIC korvex_address_core)
