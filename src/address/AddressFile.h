#pragma once

#include "address/AddressTable.h"

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace address {

inline constexpr const char *kAddressFileName = "KorvexAddrMG.ini";

// The file written when none exists: 32 addresses 00, 32 descriptions of one space (226 bytes).
std::string defaultAddressFileContent();

// The saved layout: the address line (each address as two digits and a space), CR LF, then one
// starred description line per entry. At most 514 bytes while every address is 0..99.
std::string formatAddressFile(const AddressTable &table);

// Reads the address line and the 32 descriptions from the stream into the table. A number that
// cannot be read leaves its address unchanged; descriptions are not reset here.
void readAddressTable(std::istream &in, AddressTable &table);
// The same from the bytes of a whole file, as LoadAddressFile reads it.
void readAddressTable(std::string_view bytes, AddressTable &table);

// Start-up load: creates the default file when missing, then reads; returns the message texts to
// show, in order; empty when all went well. Descriptions start as ten spaces before reading.
std::vector<std::string> LoadAddressFile(AddressTable &table, const std::string &path = kAddressFileName);

// "Save": stores the dialog's 32 address texts and 32 description texts (Latin-1, one byte per
// character) in the file, written whole through a temporary file. Every entry is checked first; the
// table changes only when the file was written. Returns the message texts to show, in order; empty
// when the file was written.
std::vector<std::string> SaveAddressFile(AddressTable &table,
                                         const std::array<std::string, kEntryCount> &addressTexts,
                                         const std::array<std::string, kEntryCount> &descriptions,
                                         const std::string &path = kAddressFileName);

// The address list entry text for entry n (1..32): label, address as two digits, ": ", description.
std::string addressListText(int n, const AddressEntry &entry);

} // namespace address
