#pragma once

#include <string>
#include <vector>

namespace files {

// Writes the bytes to "<path>.tmp", flushes them to disk and renames that over the path, so the old
// file stays whole until the new one is complete. Returns false (and removes the temporary file)
// when any step fails.
bool replaceFileContent(const std::string &path, const std::string &bytes);

// Stores a console file the way the console reports it: when writing fails, the message about the
// file that could not be created, then "failed" when no file of that name exists afterwards.
// Empty when the file was written.
std::vector<std::string> storeConsoleFile(const std::string &path, const std::string &bytes,
                                          const std::string &cannotCreateMessage);

} // namespace files
