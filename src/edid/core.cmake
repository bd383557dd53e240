# The EDID decoder core: standard library only, shared by the console, korvex-edid, tests and fuzzers.
add_library(korvex_edid_core STATIC
    EdidDataBlocks.cpp
    EdidDecoder.cpp
    EdidFile.cpp
    EdidNames.cpp
    EdidSummary.cpp
    EdidTiming.cpp
)
target_include_directories(korvex_edid_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
