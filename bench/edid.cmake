# EDID decoder throughput against the edid-decode program, with the ratio printed at the end.
add_executable(bench_edid ${CMAKE_CURRENT_LIST_DIR}/edid/BenchEdidDecoder.cpp)
target_link_libraries(bench_edid PRIVATE korvex_edid_core benchmark::benchmark)
target_compile_definitions(bench_edid PRIVATE
    KORVEX_EDID_SAMPLES_DEFAULT="${PROJECT_SOURCE_DIR}/../shared/edid-samples")
