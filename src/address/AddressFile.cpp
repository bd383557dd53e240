#include "address/AddressFile.h"

#include "files/FileReplace.h"
#include "files/ListLabel.h"
#include "files/StarredDescription.h"
#include "files/TextScanner.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace address {

using namespace files;

namespace {

constexpr const char *kCannotCreate = "There is no KorvexAddrMG.ini and faild to create new empty ini file !";

// The address a dialog text stands for: its leading decimal digits (after any blanks), 0 when it
// does not start with one. The text is at most two characters, so the result is 0..99; a minus sign
// gives 0 rather than a negative number that would wrap round in the 16-bit field.
uint16_t leadingNumber(const std::string &text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    unsigned value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 10000; ++i)
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    return static_cast<uint16_t>(value);
}

} // namespace

std::string defaultAddressFileContent() {
    AddressTable table;
    for (auto &entry : table.entries)
        entry.description = " ";
    return formatAddressFile(table);
}

std::string formatAddressFile(const AddressTable &table) {
    std::string out;
    out.reserve(514);
    for (const auto &entry : table.entries)
        out += twoDigits(entry.address) + " ";
    out += "\r\n";
    for (const auto &entry : table.entries)
        out += formatStarredLine(entry.description);
    return out;
}

namespace {

void scanAddressTable(TextScanner &scanner, AddressTable &table) {
    for (auto &entry : table.entries) {
        int value = 0;
        if (scanner.readInt(value))
            entry.address = static_cast<uint16_t>(value);
    }
    for (auto &entry : table.entries) {
        StarredDescription description = readStarredDescription(scanner);
        if (description.read)
            entry.description = std::move(description.text);
    }
}

} // namespace

void readAddressTable(std::istream &in, AddressTable &table) {
    TextScanner scanner(in);
    scanAddressTable(scanner, table);
}

void readAddressTable(std::string_view bytes, AddressTable &table) {
    TextScanner scanner(bytes);
    scanAddressTable(scanner, table);
}

std::vector<std::string> LoadAddressFile(AddressTable &table, const std::string &path) {
    std::vector<std::string> messages;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        messages = storeConsoleFile(path, defaultAddressFileContent(), kCannotCreate);

    std::ifstream in;
    // A directory of that name opens as a stream on Linux but cannot be read; refuse it here.
    if (!std::filesystem::is_directory(path, ec))
        in.open(path, std::ios::binary);
    for (auto &entry : table.entries)
        entry.description = std::string(10, ' ');
    if (!in.is_open()) {
        messages.push_back("File read failed");
        return messages;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    readAddressTable(bytes, table);
    return messages;
}

std::vector<std::string> SaveAddressFile(AddressTable &table,
                                         const std::array<std::string, kEntryCount> &addressTexts,
                                         const std::array<std::string, kEntryCount> &descriptions,
                                         const std::string &path) {
    // Every entry is checked before anything changes, and the table takes the new entries only once
    // they are on disk: the address list never offers addresses the file does not hold.
    for (std::size_t i = 0; i < addressTexts.size(); ++i) {
        if (addressTexts[i].size() > 2) { // Latin-1: one byte per character
            char message[64];
            std::snprintf(message, sizeof message, "Index No. %02X is more than 2 HEX digital",
                          static_cast<unsigned>(i));
            return {message};
        }
    }
    AddressTable saved;
    for (std::size_t i = 0; i < saved.entries.size(); ++i) {
        saved.entries[i].address = leadingNumber(addressTexts[i]);
        const std::string &text = descriptions[i];
        saved.entries[i].description = text.empty() ? std::string(" ") : storedDescription(text);
    }
    std::vector<std::string> messages = storeConsoleFile(path, formatAddressFile(saved), kCannotCreate);
    if (messages.empty())
        table = std::move(saved);
    return messages;
}

std::string addressListText(int n, const AddressEntry &entry) {
    return listLabel(n) + twoDigits(entry.address) + ": " + entry.description;
}

} // namespace address
