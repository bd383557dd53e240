korvex_add_test(protocol_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/protocol_assembler.cpp
        ${CMAKE_CURRENT_LIST_DIR}/protocol_commands.cpp
        ${CMAKE_CURRENT_LIST_DIR}/protocol_frame.cpp
        ${CMAKE_CURRENT_LIST_DIR}/protocol_prefix.cpp
        ${CMAKE_CURRENT_LIST_DIR}/protocol_reply.cpp
    LIBS korvex_link_core)
