add_executable(bench_wall ${CMAKE_CURRENT_LIST_DIR}/wall/BenchWallCore.cpp)
target_link_libraries(bench_wall PRIVATE korvex_wall_core benchmark::benchmark_main)
