#include "sim/PathInFolder.h"

#include <filesystem>
#include <system_error>

namespace korvexsim {

std::string pathInFolder(const std::string &path) {
    if (!path.empty() && path[0] == '/')
        return path;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? path : path + " in " + folder.string();
}

} // namespace korvexsim
