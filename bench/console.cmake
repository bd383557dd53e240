# Receive path: pseudo-terminal -> link worker -> synchronous Qt hand-off -> consumer on an event loop.
include_guard(GLOBAL)
add_executable(bench_console_receive ${CMAKE_CURRENT_LIST_DIR}/console/ReceivePathBench.cpp)
target_link_libraries(bench_console_receive PRIVATE korvex_link_qt Qt6::Core benchmark::benchmark_main)
