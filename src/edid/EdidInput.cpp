#include "edid/EdidInput.h"

#include "edid/EdidFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace edid {

namespace {

constexpr std::size_t kBlockSize = 128;
// Far beyond any dump or xrandr output; keeps a wrong file (a disk image, /dev/zero) from filling memory.
constexpr std::size_t kMaxInput = 1 << 20;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isHex(std::string_view token) {
    return std::all_of(token.begin(), token.end(), [](char c) { return hexValue(c) >= 0; });
}

// Raw EDID holds NUL and other control bytes (its header is 00 FF FF FF FF FF FF 00); a dump is text.
bool isText(std::string_view content) {
    return std::none_of(content.begin(), content.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && !isSpace(c)) || byte == 0x7F;
    });
}

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && isSpace(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isSpace(line.back()))
        line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> splitTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    for (std::size_t i = 0; i < line.size();) {
        if (isSpace(line[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && !isSpace(line[end]))
            ++end;
        tokens.push_back(line.substr(i, end - i));
        i = end;
    }
    return tokens;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string quoted(std::string_view token) {
    return "\"" + std::string(token.substr(0, 24)) + (token.size() > 24 ? "...\"" : "\"");
}

// Appends the bytes of one line of hex pairs (lineIndex counts from 0).
bool appendHexLine(const std::vector<std::string_view> &tokens, std::size_t lineIndex, std::string &bytes,
                   std::string &error) {
    const std::string where = "line " + std::to_string(lineIndex + 1) + ": ";
    for (std::string_view token : tokens) {
        if (!isHex(token)) {
            error = where + quoted(token) + " is not hexadecimal";
            return false;
        }
        if (token.size() % 2 != 0) {
            error = where + "odd number of hex digits in " + quoted(token);
            return false;
        }
        for (std::size_t i = 0; i < token.size(); i += 2)
            bytes += static_cast<char>(hexValue(token[i]) * 16 + hexValue(token[i + 1]));
    }
    return true;
}

bool isEdidProperty(std::string_view trimmed) {
    return trimmed == "EDID:" || trimmed == "EDID_DATA:"; // the latter from old RandR 1.2 drivers
}

// The hex lines right under the first EDID property of `xrandr --verbose`; the next property ends them.
bool readXrandrBlock(const std::vector<std::string_view> &lines, std::size_t property, std::string &bytes,
                     std::string &error) {
    for (std::size_t i = property + 1; i < lines.size(); ++i) {
        const std::vector<std::string_view> tokens = splitTokens(lines[i]);
        if (tokens.empty() || !std::all_of(tokens.begin(), tokens.end(), isHex))
            break;
        if (!appendHexLine(tokens, i, bytes, error))
            return false;
    }
    if (bytes.empty()) {
        error = "the EDID property at line " + std::to_string(property + 1) + " holds no hex lines";
        return false;
    }
    return true;
}

// Hex pairs from the first non-blank line on, blank lines allowed between blocks; edid-decode's report
// header is skipped and its line of dashes ends the dump.
bool readHexDump(const std::vector<std::string_view> &lines, std::string &bytes, std::string &error) {
    bool started = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (line.empty() || (!started && line == "edid-decode (hex):"))
            continue;
        if (started && line.find_first_not_of('-') == std::string_view::npos)
            break;
        const std::vector<std::string_view> tokens = splitTokens(line);
        // Text before the dump (xrandr output without an EDID, any other file) is no EDID; a line
        // starting with a hex pair is a dump, and its faults are reported where they are.
        if (!started && !isHex(tokens.front())) {
            error = "no EDID in it: neither raw EDID bytes, hex pairs nor an xrandr --verbose EDID property";
            return false;
        }
        if (!appendHexLine(tokens, i, bytes, error))
            return false;
        started = true;
    }
    return true;
}

} // namespace

bool extractEdidBytes(std::string_view content, std::string &bytes, std::string &error) {
    if (content.empty()) {
        error = "empty file, no EDID in it";
        return false;
    }
    if (!isText(content)) {
        bytes.assign(content);
        return true;
    }
    if (content.substr(0, 3) == "\xEF\xBB\xBF") // a UTF-8 byte order mark from a Windows editor
        content.remove_prefix(3);

    const std::vector<std::string_view> lines = splitLines(content);
    const auto property = std::find_if(lines.begin(), lines.end(),
                                       [](std::string_view l) { return isEdidProperty(trimmed(l)); });
    std::string hex;
    const bool ok =
        property != lines.end()
            ? readXrandrBlock(lines, static_cast<std::size_t>(property - lines.begin()), hex, error)
            : readHexDump(lines, hex, error);
    if (!ok)
        return false;
    if (hex.empty()) {
        error = "no hex pairs in it, no EDID";
        return false;
    }
    if (hex.size() % kBlockSize != 0) {
        error = "truncated: " + std::to_string(hex.size()) + " bytes of hex, an EDID is whole " +
                std::to_string(kBlockSize) + "-byte blocks";
        return false;
    }
    bytes = std::move(hex);
    return true;
}

bool readEdidInput(const std::string &path, EdidImage &image, std::string &error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    std::string content(kMaxInput + 1, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), file.get()));
    if (std::ferror(file.get())) {
        // For example a directory: it opens, but reading it fails.
        error = std::string("cannot read: ") + (errno ? std::strerror(errno) : "read error");
        return false;
    }
    if (content.size() > kMaxInput && isText(content)) {
        error = "over 1 MiB of text, not an EDID dump";
        return false;
    }
    std::string bytes;
    if (!extractEdidBytes(content, bytes, error))
        return false;
    image = edidImageFromBytes(bytes);
    return true;
}

} // namespace edid
