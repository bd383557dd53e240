# The version of the build machine's nlohmann-json, whose headers nlohmann_jsonConfig.cmake beside
# this file hands to the cross build.
set(korvex_host_json_version /usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
if(EXISTS ${korvex_host_json_version})
    include(${korvex_host_json_version})
else()
    set(PACKAGE_VERSION "unknown")
    set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
