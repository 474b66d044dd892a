// Support of the reader tests: a small archive builder that writes exactly the records a test
// asks for (names, flags, attributes, wrong CRCs, a local name other than the central one, data
// in front, comments), so malformed and hostile archives can be made field by field; and a
// reader set up the way the program's update uses it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zip/kvoUnZip.h"

namespace riviza::zip::readertest {

struct Entry {
  Entry(std::string name, std::string data, uint16_t method = 8, uint16_t flags = 0,
        uint32_t attributes = 0x20, uint32_t dos = 0x5A8B6000,
        std::optional<uint32_t> wrongCrc = std::nullopt, std::optional<std::string> local = std::nullopt)
      : name(std::move(name)),
        data(std::move(data)),
        method(method),
        flags(flags),
        externalAttributes(attributes),
        dosDateTime(dos),
        crc(wrongCrc),
        localName(std::move(local)) {}

  std::string name;
  std::string data;
  uint16_t method = 8;  // 0 stored, 8 deflated (zlib); any other value stores the data as given
  uint16_t flags = 0;
  uint32_t externalAttributes = 0x20;
  uint32_t dosDateTime = 0x5A8B6000;  // 2025-04-11 12:00:00
  std::optional<uint32_t> crc;        // a wrong CRC when set
  std::optional<std::string> localName;
  std::string extra;  // both headers
};

struct Layout {
  std::string prefix;          // data in front (a stub)
  bool adjustOffsets = false;  // offsets count the prefix
  std::string comment;
};

std::string BuildZip(const std::vector<Entry>& entries, const Layout& layout = {});

// Everything an update extraction would report.
struct Run {
  int count = 0;
  std::vector<int> errors;  // OnError codes in order
  std::vector<TEntryFailure> failures;
};

// ArchiveFile, ExtractDir, FileSpec "*.*", Extract: the update's call profile.
Run ExtractAll(TUnZip& unzip, const std::string& archive, const std::string& dir);

}  // namespace riviza::zip::readertest
