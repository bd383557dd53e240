# Tests of the EDID decoder core, the sample images and the korvex-edid program.
korvex_add_test(edid_core_test
    SOURCES EdidImageBuilder.cpp EdidDecoderTest.cpp EdidSummaryTest.cpp EdidFileTest.cpp
    LIBS korvex_edid_core)

korvex_add_test(edid_samples_test
    SOURCES EdidImageBuilder.cpp EdidSamplesTest.cpp
    LIBS korvex_edid_core)
target_compile_definitions(edid_samples_test PRIVATE KORVEX_EDID_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")

korvex_add_test(edid_tool_test
    SOURCES EdidImageBuilder.cpp KorvexEdidToolTest.cpp
    LIBS korvex_edid_core)
add_dependencies(edid_tool_test korvex-edid)
