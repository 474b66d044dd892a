// Ini (profile) files as the Windows program uses them (platform layer).
//
// One IniFile object stands for one file name; every call reads the file from disk afresh, so
// a value written by another program is seen at once, as with the profile API. Semantics kept:
//  - section and key names compare ignoring case; the first match wins;
//  - a missing key gives the default, a present empty key gives "";
//  - values are trimmed and one pair of outer quotes (" or ') is removed;
//  - a write creates the file, section or key as needed, replaces the key's line in place and
//    keeps every other line, its order and its bytes (line ends included);
//  - the file is Windows-1252 on disk; names and values are UTF-8 in memory.
// Writes replace the file atomically (temporary file, then rename) and keep its permissions; a
// read-only file (no write permission) is not written, as the profile functions refuse it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace riviza::platform {

// The name a write gives the new file beside the old one until the rename: path + this.
inline constexpr std::string_view kIniWriteSuffix = ".tmp~";

class IniFile {
 public:
  explicit IniFile(std::string pathText) : path_(std::move(pathText)) {}

  const std::string& fileName() const { return path_; }

  std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
  // StrToIntDef over readString: a value that is not a whole number gives the default.
  long long readInteger(std::string_view section, std::string_view key, long long def) const;
  bool readBool(std::string_view section, std::string_view key, bool def) const;
  bool sectionExists(std::string_view section) const;
  bool valueExists(std::string_view section, std::string_view key) const;
  std::vector<std::string> readSection(std::string_view section) const;  // key names
  std::vector<std::string> readSections() const;

  Status writeString(std::string_view section, std::string_view key, std::string_view value);
  Status writeInteger(std::string_view section, std::string_view key, long long value);
  Status writeBool(std::string_view section, std::string_view key, bool value);
  Status deleteKey(std::string_view section, std::string_view key);
  Status eraseSection(std::string_view section);

 private:
  std::string path_;
};

}  // namespace riviza::platform
