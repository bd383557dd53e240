# Starting and stopping korvex-sim from tests, and reading its state and log files.
target_sources(korvex_test_support PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/SimProcess.cpp)
