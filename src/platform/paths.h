// Path text of the Windows program to native Linux paths (platform layer).
//
// The logic keeps paths as the Windows program builds them: "\" separators, folders ending in
// "\", drive letters, even 8.3 short names. Every file-system access maps such text here:
//  - "\" and "/" both separate;
//  - "X:" maps through the Wine prefix's dosdevices/ link of that letter ($WINEPREFIX, default
//    ~/.wine), "\\server\share" through dosdevices/unc/server/share;
//  - each component that exists is found case-insensitively ("Ann.DB" finds "ann.db"); from the
//    first missing component on the text is kept as spelled, so new files are created as named
//    (the folders' names are kept between lookups: foldernames.h);
//  - short names are not generated: the short form of a path is the path itself.
// Mapping reads directories but never changes anything.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace riviza::platform {

// $WINEPREFIX, else $HOME/.wine.
std::filesystem::path winePrefix();

// The native path for a path text (relative texts stay relative to the current folder).
std::filesystem::path nativePath(std::string_view pathText);

// Native path back to text with "\" separators (for values shown or stored by the logic).
std::string pathText(const std::filesystem::path& native);

// The current folder as path text ending in "\" is what the Windows program calls its start
// folder; this gives it without the trailing separator, like GetCurrentDirectory.
std::string currentFolderText();

// GetShortPathName: on Linux the path itself.
std::string shortPathName(std::string_view pathText);

// The folder of Windows ("C:\windows" in the prefix), where the program looks for notepad.exe.
std::string windowsFolderText();

// Text helpers on "\"-separated path text.
bool isPathSeparator(char c);
std::string extractFileName(std::string_view pathText);   // text after the last separator
std::string extractFilePath(std::string_view pathText);   // up to and with the last separator
std::string extractFileExt(std::string_view pathText);    // from the last "." of the name on
std::string changeFileExt(std::string_view pathText, std::string_view ext);
std::string excludeTrailingBackslash(std::string_view pathText);
std::string includeTrailingBackslash(std::string_view pathText);

// Whether the native path `inner` is `outer` or lies below it, component by component (both
// resolved by the caller: links and ".." are not looked at here).
bool isWithinPath(const std::filesystem::path& inner, const std::filesystem::path& outer);

}  // namespace riviza::platform
