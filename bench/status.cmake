# A full "GET STA" burst from the paced simulator applied by the console, against the wire time.
if(TARGET korvex_test_support AND TARGET korvex-sim)
    add_executable(bench_status_burst ${CMAKE_CURRENT_LIST_DIR}/status/StatusBurstBench.cpp)
    target_link_libraries(bench_status_burst PRIVATE korvex_app korvex_test_support)
    target_compile_definitions(bench_status_burst PRIVATE KORVEX_SIM_PATH="$<TARGET_FILE:korvex-sim>")
    add_dependencies(bench_status_burst korvex-sim)
endif()
