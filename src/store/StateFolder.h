#pragma once

#include <cstdint>
#include <string>

namespace store {

// korvexd's state folder: whole-file reads, atomic replaces (temporary file, flush, rename) and
// setting aside a file that could not be used, each failure told in words with the system's reason.
class StateFolder {
public:
    explicit StateFolder(std::string path);

    const std::string &path() const { return m_path; }
    std::string filePath(const std::string &name) const;

    // Creates the folder (and its parents) when missing. Why it could not, or empty.
    std::string prepare() const;

    struct ReadResult {
        enum class Status { Missing, Read, Failed };
        Status status = Status::Missing;
        std::string bytes;
        std::string error; // Failed: why
    };
    ReadResult read(const std::string &name) const;

    // Replaces the file whole. Why it could not, or empty; the old file is then untouched.
    std::string write(const std::string &name, const std::string &bytes) const;

    // Renames the file to "<name>.bad-<UTC time>" (with "-2", "-3", ... when that exists) so that a
    // file the store cannot use is kept for the operator. The new name, or empty with error set.
    std::string moveAside(const std::string &name, std::int64_t nowMs, std::string &error) const;

private:
    std::string m_path;
};

} // namespace store
