// String resources of a Windows executable, read as data (zip layer): what the archive-type
// detection asks of a self-extractor stub that names its archive's offset in a string resource.
//
// The file is untrusted. Every header, directory entry, table and string is checked against the
// file's size and against the section it claims to lie in before it is read, the resource tree
// is walked at its three fixed levels only, and entry counts are capped, so a hostile stub can
// neither make the reader leave the file nor loop. Only the first string block (identifiers 0 to
// 15) is ever needed, and only its first language.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace riviza::zip {

// Reads up to count bytes at offset into buffer; the count read.
using TReadAt = std::function<size_t(uint64_t offset, void* buffer, size_t count)>;

// The strings with identifiers first..last (1 <= first <= last <= 15) of the executable's string
// table, each cut to maxChars characters (UTF-16 code units above 0x7F become "?"); empty when
// the file is not a PE image with such a table. Missing strings are empty.
std::vector<std::string> ReadStringResources(const TReadAt& readAt, uint64_t fileSize, unsigned first,
                                             unsigned last, size_t maxChars);

}  // namespace riviza::zip
