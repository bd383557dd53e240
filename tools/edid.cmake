# korvex-edid: the command-line EDID decoder.
add_executable(korvex-edid korvex-edid/main.cpp)
target_link_libraries(korvex-edid PRIVATE korvex_edid_core)
