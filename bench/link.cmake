add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/link/BenchProtocol.cpp)
target_link_libraries(bench_link PRIVATE korvex_link_core benchmark::benchmark_main)
