# libFuzzer target for the EDID decoder, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer. The core's sources are compiled again here so they are instrumented too.
get_target_property(_edid_core_sources korvex_edid_core SOURCES)
get_target_property(_edid_core_dir korvex_edid_core SOURCE_DIR)
list(TRANSFORM _edid_core_sources PREPEND "${_edid_core_dir}/")

add_executable(fuzz_edid_decoder edid/FuzzEdidDecoder.cpp ${_edid_core_sources})
target_include_directories(fuzz_edid_decoder PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(fuzz_edid_decoder PRIVATE _GLIBCXX_ASSERTIONS)
target_compile_options(fuzz_edid_decoder PRIVATE -fsanitize=fuzzer,address,undefined
                                                 -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
target_link_options(fuzz_edid_decoder PRIVATE -fsanitize=fuzzer,address,undefined)
