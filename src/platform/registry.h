// Registry reads in place of the Windows registry (platform layer).
//
// The Windows side of the machine is a Wine prefix; HKEY_LOCAL_MACHINE lives in its text file
// system.reg. This reads that file (never writes it): key paths compare ignoring case, values
// are strings (REG_SZ and REG_EXPAND_SZ as written, REG_DWORD as a decimal number). A missing
// file, key or value gives nullopt; the Windows program treats that as an empty text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace riviza::platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

// keyPath like "SOFTWARE\ITSG\Dakota"; valueName "" is the key's default value.
std::optional<std::string> readRegistryValue(RegistryRoot root, std::string_view keyPath,
                                             std::string_view valueName);

// The same over a given file's text (for tests and for other prefixes).
std::optional<std::string> readRegistryValueFrom(const std::string& regFileText, std::string_view keyPath,
                                                 std::string_view valueName);

// True when the key exists (with or without values).
bool registryKeyExists(RegistryRoot root, std::string_view keyPath);

}  // namespace riviza::platform
