#include "store/StateFolder.h"

#include "files/FileReplace.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace store {

namespace {

std::string systemReason(int error) {
    return error ? std::generic_category().message(error) : std::string("unknown reason");
}

// "20260109T101112Z": sorts with time, and has no characters a file name must avoid.
std::string utcStamp(std::int64_t ms) {
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds(ms)};
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss<seconds> clock(floor<seconds>(time - day));
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02ld%02ld%02lldZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
                  static_cast<long long>(clock.seconds().count()));
    return text;
}

} // namespace

StateFolder::StateFolder(std::string path) : m_path(std::move(path)) {}

std::string StateFolder::filePath(const std::string &name) const {
    return (std::filesystem::path(m_path) / name).string();
}

std::string StateFolder::prepare() const {
    std::error_code ec;
    if (std::filesystem::is_directory(m_path, ec))
        return {};
    std::filesystem::create_directories(m_path, ec);
    if (ec)
        return "The state folder " + m_path + " cannot be created: " + ec.message() + ".";
    if (!std::filesystem::is_directory(m_path, ec))
        return "The state folder " + m_path + " cannot be created: a file of that name is in the way.";
    return {};
}

StateFolder::ReadResult StateFolder::read(const std::string &name) const {
    ReadResult result;
    errno = 0;
    std::FILE *file = std::fopen(filePath(name).c_str(), "rb");
    if (!file) {
        if (errno == ENOENT)
            return result;
        result.status = ReadResult::Status::Failed;
        result.error = systemReason(errno);
        return result;
    }
    char buffer[16384];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        result.bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        result.status = ReadResult::Status::Failed;
        result.error = systemReason(error);
        result.bytes.clear();
        return result;
    }
    result.status = ReadResult::Status::Read;
    return result;
}

std::string StateFolder::write(const std::string &name, const std::string &bytes) const {
    // The replace leaves errno as its failing call set it (its clean-up succeeds or fails alike).
    errno = 0;
    if (files::replaceFileContent(filePath(name), bytes))
        return {};
    return name + " could not be written in " + m_path + ": " + systemReason(errno) + ".";
}

std::string StateFolder::moveAside(const std::string &name, std::int64_t nowMs, std::string &error) const {
    const std::string base = name + ".bad-" + utcStamp(nowMs);
    std::string aside = base;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(filePath(aside), ec) && n < 1000; ++n)
        aside = base + "-" + std::to_string(n);
    std::filesystem::rename(filePath(name), filePath(aside), ec);
    if (ec) {
        error = ec.message();
        return {};
    }
    return aside;
}

} // namespace store
