korvex_add_test(sim_unit_test SOURCES SimUnitTest.cpp ReplyReader.cpp LIBS korvex_sim_lib)
# Drives the real program over its pseudo-terminal; deliberately not linked with the simulator's code.
korvex_add_test(sim_wire_test SOURCES SimWireTest.cpp PtyClient.cpp ReplyReader.cpp)
add_dependencies(sim_wire_test korvex-sim)
