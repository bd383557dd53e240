# korvex-sim: a virtual line of Korvex switchers on a pseudo-terminal. Its own parser and reply
# writer; it links nothing from src/.
add_library(korvex_sim_lib STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CommandParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Device.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EdidBuilder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EdidCatalog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReplyFormatter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StateJson.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SwitcherLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WireDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WireLog.cpp
)
# Included as "sim/...". src/ is deliberately not on the path: the simulator shares no code with the console.
target_include_directories(korvex_sim_lib PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex_sim_lib PUBLIC util)

add_executable(korvex-sim ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(korvex-sim PRIVATE korvex_sim_lib)
set_target_properties(korvex-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
