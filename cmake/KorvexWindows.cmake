# korvex_utf8_code_page(TARGET): on Windows the program runs with UTF-8 as its code page (Windows 10
# version 1903 and later), so the narrow file names it hands to the C and C++ libraries (the console's
# files, EDID files picked in the file dialog, korvex-edid's arguments) and the bytes it prints are
# UTF-8, as on Linux. Elsewhere nothing.
function(korvex_utf8_code_page target)
    if(NOT WIN32)
        return()
    endif()
    if(MSVC)
        # The linker merges a listed manifest into the one it writes.
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/utf8.manifest)
    else()
        set(rc ${CMAKE_BINARY_DIR}/korvex-utf8-manifest.rc)
        if(NOT EXISTS ${rc})
            # 1 = the program's own manifest, 24 = RT_MANIFEST.
            file(WRITE ${rc} "1 24 \"${PROJECT_SOURCE_DIR}/cmake/utf8.manifest\"\n")
        endif()
        target_sources(${target} PRIVATE ${rc})
    endif()
endfunction()
