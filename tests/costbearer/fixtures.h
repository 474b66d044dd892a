// Test helpers of the cost-bearer tests: cost-bearer files built from UTF-8 segment lines
// (written as single bytes, with the line ends a case asks for) or damaged from the published
// ones, work-file lines built from their fields, splitting of CR LF text, and the reader run of
// one basis.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "costbearer/abr_tools.h"
#include "costbearer/column_text.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/work_lines.h"
#include "forms/form_melder.h"
#include "platform/codec.h"
#include "platform/text.h"
#include "support/temp_dir.h"
#include "support/trees.h"

namespace riviza::test {

// UTF-8 to the single bytes of the cost-bearer files.
inline std::string latin1(std::string_view utf8) {
  return platform::fromUtf8(utf8, platform::CodePage::Latin1);
}

// A cost-bearer file: each UTF-8 line as single bytes, followed by `eol`; the last line without
// one unless `finalEol`.
inline std::string segmentFile(const std::vector<std::string>& lines, std::string_view eol = "\r\n",
                               bool finalEol = true) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out += latin1(lines[i]);
    if (i + 1 < lines.size() || finalEol) out += eol;
  }
  return out;
}

// One UNH ... UNT message around the segments of one cost bearer, UNT counting its segments.
inline std::vector<std::string> message(const std::vector<std::string>& segments) {
  std::vector<std::string> out = {"UNH+00001+KOTR:02:001:KV'"};
  out.insert(out.end(), segments.begin(), segments.end());
  out.push_back("UNT+" + platform::zeroPadded(static_cast<long long>(segments.size()) + 2, 6) + "+00001'");
  return out;
}

// The lines of a whole file: UNA and UNB, the lines (messages), and UNZ counting the UNH lines.
inline std::vector<std::string> interchange(const std::vector<std::string>& lines,
                                            std::string_view prepared = "250901:1030") {
  std::vector<std::string> out = {"UNA:+,? '",
                                  "UNB+UNOC:3+109910000+999999999+" + std::string(prepared) + "+00394++X'"};
  long long messages = 0;
  for (const std::string& line : lines) messages += line.starts_with("UNH");
  out.insert(out.end(), lines.begin(), lines.end());
  out.push_back("UNZ+" + platform::zeroPadded(messages, 6) + "+00394'");
  return out;
}

// A published cost-bearer file of the test data, and the ways files arrive damaged: cut right
// after the n-th UNT line, or `count` bytes from `at` overwritten with random ones.
inline std::string publishedFile(const char* name) { return readNative(testData("kosttr") / name); }
inline std::string cutAfterUnt(const std::string& bytes, int n) {
  size_t at = 0;
  for (int i = 0; i < n; ++i) at = bytes.find("\nUNT+", at) + 1;
  return bytes.substr(0, bytes.find('\n', at) + 1);
}
inline std::string garbled(std::string bytes, size_t at, size_t count, unsigned seed = 5) {
  return bytes.replace(at, count, RandomBytes(count, seed));
}

// The reader run of one basis, as the program starts it.
inline KosttrLeseErgebnis einlesen(costbearer::Basis basis, std::string_view programm,
                                   std::string_view daten, std::string_view jahr) {
  FormMelder melder;
  switch (basis) {
    case costbearer::Basis::S300: return Kosttr300Einlesen(programm, daten, jahr, melder);
    case costbearer::Basis::S302: return Kosttr302Einlesen(programm, daten, jahr, melder);
    case costbearer::Basis::S105: return Kosttr105Einlesen(programm, daten, jahr, melder);
  }
  return {};
}

// Lines of CR LF text, without line ends.
inline std::vector<std::string> crlfLines(std::string_view text) {
  std::vector<std::string> out;
  while (!text.empty()) {
    size_t end = text.find("\r\n");
    out.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 2);
  }
  return out;
}

// A work-file main line from the fields a test sets (single-byte text); the rest stay blank.
struct MainLine {
  std::vector<std::pair<costbearer::MainField, std::string>> fields;
  int counter = 0;
  std::string format() const {
    costbearer::MainLineValues v;
    for (const auto& [field, value] : fields) v[field] = value;
    return costbearer::formatMainLine(v, counter);
  }
};

// A work-file link line from the fields of its VKG segment.
struct LinkLine {
  std::string ik, type, partner, e4, delivery, e7, region, kv, gruppe;
  std::string segment() const {
    return "VKG+" + type + "+" + partner + "+" + e4 + "++" + delivery + "+" + e7 + "+" + region + "+" + kv + "+" +
           gruppe + "'";
  }
  std::string format() const { return costbearer::formatLinkLine(ik, type, segment()); }
};

}  // namespace riviza::test
