# libFuzzer target for the received-line buffer, the reply decoder and address prefixing, under
# AddressSanitizer and UndefinedBehaviorSanitizer. The core's sources are compiled again here so
# they are instrumented too.
get_target_property(_link_core_sources korvex_link_core SOURCES)

add_executable(fuzz_link_protocol link/FuzzLinkProtocol.cpp ${_link_core_sources})
target_include_directories(fuzz_link_protocol PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(fuzz_link_protocol PRIVATE _GLIBCXX_ASSERTIONS)
target_compile_options(fuzz_link_protocol PRIVATE -fsanitize=fuzzer,address,undefined
                                                  -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_options(fuzz_link_protocol PRIVATE -fsanitize=fuzzer,address,undefined)
