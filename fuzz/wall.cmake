# libFuzzer target for the readers of KorvexVW.ini and KorvexAddrMG.ini, the capture rectangles and
# the panel command builder, under AddressSanitizer and UndefinedBehaviorSanitizer. The cores'
# sources are compiled again here so they are instrumented too.
get_target_property(_wall_core_sources korvex_wall_core SOURCES)
get_target_property(_address_core_sources korvex_address_core SOURCES)

add_executable(fuzz_wall_files wall/FuzzConsoleFiles.cpp ${_wall_core_sources} ${_address_core_sources})
target_include_directories(fuzz_wall_files PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(fuzz_wall_files PRIVATE _GLIBCXX_ASSERTIONS)
target_compile_options(fuzz_wall_files PRIVATE -fsanitize=fuzzer,address,undefined,float-cast-overflow
                                               -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_link_options(fuzz_wall_files PRIVATE -fsanitize=fuzzer,address,undefined,float-cast-overflow)
