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
// Mapping reads directories but never changes anything. Back the other way, a path the user
// sees or the billing application reads is in drive form where a drive letter maps it, else the
// Linux path with "/": never "\home\buero\..." and never a Linux path with a "\" in its tail.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace riviza::platform {

// $WINEPREFIX, else $HOME/.wine.
std::filesystem::path winePrefix();

// The native path for a path text (relative texts stay relative to the current folder).
std::filesystem::path nativePath(std::string_view pathText);

// Native path back to text with "\" separators, for the logic's own use (the zip engine's
// names and folders); never shown to the user as it stands.
std::string pathText(const std::filesystem::path& native);

// Native path to the text a user picks, sees and stores: the drive form ("D:\Sicherung") where
// the folder lies in dosdevices/x: or below the folder a drive letter's link points to (the
// deepest such folder wins, so C: beats a Z: that maps "/"), else the native path as it stands.
std::string userPath(const std::filesystem::path& native);

// A path text as it is shown to the user: a drive or UNC form with "\" only; an absolute Linux
// path as userPath gives its folder, so "/home/buero/Programm\temp\kost.txt" shows with "/"
// throughout (or in drive form); a relative text or a bare name with "/". A trailing separator
// stays.
std::string displayPath(std::string_view pathText);

// The letter of a path text's drive when the prefix maps no such drive ("E:\Export" without a
// dosdevices/e:): a folder made there would become a folder "e:" in the prefix, which then
// stands in the way of that letter's share.
std::optional<char> unmappedDrive(std::string_view pathText);

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
