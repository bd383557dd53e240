# nlohmann-json for the MinGW-w64 cross build: mingw-w64.cmake points find_package(nlohmann_json) here.
# The library is headers only and the same for every target, so the build machine's copy serves
# (Debian: nlohmann-json3-dev). The cross compiler reaches it through a folder of the build that holds
# only a link to its nlohmann/ folder: the build machine's other headers stay off its path.
find_path(KORVEX_HOST_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT KORVEX_HOST_NLOHMANN_JSON_INCLUDE)
    set(nlohmann_json_FOUND FALSE)
    set(nlohmann_json_NOT_FOUND_MESSAGE "nlohmann/json.hpp is not in /usr/include (Debian: nlohmann-json3-dev)")
    return()
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
    set(korvex_json_include ${CMAKE_BINARY_DIR}/mingw-nlohmann-json)
    file(MAKE_DIRECTORY ${korvex_json_include})
    file(CREATE_LINK ${KORVEX_HOST_NLOHMANN_JSON_INCLUDE}/nlohmann ${korvex_json_include}/nlohmann SYMBOLIC)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
                                                                  ${korvex_json_include})
endif()
