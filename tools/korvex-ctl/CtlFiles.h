#pragma once

#include <cstddef>
#include <string>

// The files korvex-ctl reads and writes, named in messages with their folder; "-" is standard input
// or output.

// The file as messages name it: its absolute path, or "standard input"/"standard output" for "-".
std::string fileLabel(const std::string &path, bool writing = false);

// Why the file cannot be read: "no such file", "a folder", "Permission denied", ...
std::string readProblem(const std::string &path);

// The whole file ("-": standard input), at most maxBytes. False with the reason in `error` (the file
// named with its folder) when it cannot be read or is longer.
bool readInputFile(const std::string &path, std::size_t maxBytes, std::string &bytes, std::string &error);

// Writes the bytes to the file, replacing it only once the new one is complete ("-": standard
// output). False with the reason in `error` (the file named with its folder).
bool writeOutputFile(const std::string &path, const std::string &bytes, std::string &error);
