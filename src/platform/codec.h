// Single-byte code pages and UTF-8: the one codec at the file boundary (platform layer).
//
// In memory all text is UTF-8. Files the tool shares with Windows programs (ini files, logs,
// work files, exports) are Windows-1252 on disk; zip entry names use the OEM code page 850;
// cost-bearer files declare ISO-8859-1. Each single-byte page maps all 256 bytes, so decoding
// then encoding any byte string gives it back unchanged (the five holes of Windows-1252 map to
// the C1 controls, as Windows itself does). Characters a page cannot hold encode as "?".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace riviza::platform {

enum class CodePage { Windows1252, Oem850, Latin1 };

// Bytes of the page to UTF-8.
std::string toUtf8(std::string_view bytes, CodePage page = CodePage::Windows1252);

// UTF-8 to bytes of the page; unmappable characters and invalid UTF-8 become '?'.
std::string fromUtf8(std::string_view utf8, CodePage page = CodePage::Windows1252);

// The byte of one code point, if the page holds it.
std::optional<unsigned char> encodeChar(char32_t cp, CodePage page);

// True when every code point of the UTF-8 text fits the page.
bool fitsCodePage(std::string_view utf8, CodePage page);

// Strict UTF-8 validation (no overlongs, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// Decode one code point at `pos`, advancing it; invalid sequences give U+FFFD and skip one byte.
char32_t nextCodePoint(std::string_view utf8, size_t& pos);
void appendUtf8(std::string& out, char32_t cp);

// Number of code points (what a user counts as characters).
size_t utf8Length(std::string_view utf8);
// Copy(text, start, count) of the Pascal runtime in code points: up to `count` characters from
// the `start`th on (counted from 1, 0 reads as 1); empty when the text ends before `start`.
std::string utf8Copy(std::string_view utf8, size_t start, size_t count);

// Case folding for names and keys compared "case-insensitively" the Windows way: ASCII and the
// Latin-1 letters (so "ÄRZTE" equals "ärzte"). Returns the folded UTF-8 text.
std::string foldCase(std::string_view utf8);
// foldCase into `out`, which holds utf8.size() bytes: folding keeps the length (each folded
// letter is as long in UTF-8 as its capital), so a caller can fold into a buffer of its own.
void foldCaseInto(std::string_view utf8, char* out);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// ASCII-only helpers for protocol text.
std::string toUpperAscii(std::string_view s);
std::string toLowerAscii(std::string_view s);

}  // namespace riviza::platform
