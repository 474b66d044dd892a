// Code-page tables and UTF-8 routines. The upper halves of the tables are the published
// mappings of Windows-1252 and IBM 850 (undefined Windows-1252 bytes map to U+0081 etc.).
#include "platform/codec.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace riviza::platform {
namespace {

constexpr std::array<char16_t, 128> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
};

constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

char32_t decodeByte(unsigned char b, CodePage page) {
  if (b < 0x80 || page == CodePage::Latin1) return b;
  return page == CodePage::Windows1252 ? kCp1252High[b - 0x80] : kCp850High[b - 0x80];
}

}  // namespace

std::optional<unsigned char> encodeChar(char32_t cp, CodePage page) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (page == CodePage::Latin1) {
    if (cp <= 0xFF) return static_cast<unsigned char>(cp);
    return std::nullopt;
  }
  const auto& table = page == CodePage::Windows1252 ? kCp1252High : kCp850High;
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {
// Decodes one strict UTF-8 sequence; returns false (pos unchanged) when invalid.
bool decodeStrict(std::string_view s, size_t& pos, char32_t& cp) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(pos);
  int len;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (pos + len > s.size()) return false;
  for (int i = 1; i < len; ++i) {
    unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += len;
  return true;
}
}  // namespace

char32_t nextCodePoint(std::string_view utf8, size_t& pos) {
  char32_t cp;
  if (decodeStrict(utf8, pos, cp)) return cp;
  ++pos;
  return 0xFFFD;
}

bool isValidUtf8(std::string_view text) {
  size_t pos = 0;
  char32_t cp;
  while (pos < text.size())
    if (!decodeStrict(text, pos, cp)) return false;
  return true;
}

size_t utf8Length(std::string_view utf8) {
  size_t n = 0, pos = 0;
  while (pos < utf8.size()) {
    nextCodePoint(utf8, pos);
    ++n;
  }
  return n;
}

std::string utf8Copy(std::string_view utf8, size_t start, size_t count) {
  size_t from = 0;
  for (size_t i = 1; i < start && from < utf8.size(); ++i) nextCodePoint(utf8, from);
  size_t to = from;
  for (size_t i = 0; i < count && to < utf8.size(); ++i) nextCodePoint(utf8, to);
  return std::string(utf8.substr(from, to - from));
}

std::string toUtf8(std::string_view bytes, CodePage page) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) appendUtf8(out, decodeByte(static_cast<unsigned char>(c), page));
  return out;
}

std::string fromUtf8(std::string_view utf8, CodePage page) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    // Runs of ASCII, most of any log text, are the same bytes in every code page.
    const size_t ascii = pos;
    while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) < 0x80) ++pos;
    out.append(utf8, ascii, pos - ascii);
    if (pos == utf8.size()) break;
    char32_t cp = nextCodePoint(utf8, pos);
    auto b = encodeChar(cp, page);
    out += static_cast<char>(b ? *b : '?');
  }
  return out;
}

bool fitsCodePage(std::string_view utf8, CodePage page) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t before = pos;
    char32_t cp = nextCodePoint(utf8, pos);
    if (cp == 0xFFFD && pos == before + 1 && static_cast<unsigned char>(utf8[before]) >= 0x80) return false;
    if (!encodeChar(cp, page)) return false;
  }
  return true;
}

namespace {
char32_t foldChar(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  if (cp == 0x0178) return 0xFF;
  if (cp == 0x0160 || cp == 0x0152 || cp == 0x017D) return cp + 1;
  return cp;
}
}  // namespace

void foldCaseInto(std::string_view utf8, char* out) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    const unsigned char b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out[pos++] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
      continue;
    }
    const size_t start = pos;
    char32_t cp;
    if (!decodeStrict(utf8, pos, cp)) {  // keep raw bytes of invalid text as they are
      out[start] = utf8[start];
      pos = start + 1;
      continue;
    }
    const char32_t folded = foldChar(cp);
    if (folded == cp) {
      std::copy(utf8.begin() + static_cast<std::ptrdiff_t>(start),
                utf8.begin() + static_cast<std::ptrdiff_t>(pos), out + start);
      continue;
    }
    // Every letter folded here and its small letter take two bytes.
    assert(cp >= 0x80 && cp < 0x800 && folded >= 0x80 && folded < 0x800 && pos - start == 2);
    out[start] = static_cast<char>(0xC0 | (folded >> 6));
    out[start + 1] = static_cast<char>(0x80 | (folded & 0x3F));
  }
}

std::string foldCase(std::string_view utf8) {
  std::string out(utf8.size(), '\0');
  foldCaseInto(utf8, out.data());
  return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    bool ascii = true;
    for (size_t i = 0; i < a.size(); ++i) {
      unsigned char x = a[i], y = b[i];
      if (x >= 0x80 || y >= 0x80) {
        ascii = false;
        break;
      }
      if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) return false;
    }
    if (ascii) return true;
  }
  return foldCase(a) == foldCase(b);
}

std::string toUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c -= 32;
  return out;
}

std::string toLowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c += 32;
  return out;
}

}  // namespace riviza::platform
