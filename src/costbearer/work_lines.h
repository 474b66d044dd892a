// The line formats of the cost-bearer work files and their logs (cost-bearer domain).
//
// Every work-file line is keyed by its first 12 bytes: the IK (9), a blank and the line type
// ("01" main line, "02", "03" or "09" link line). Main lines are exactly 241 bytes and link lines
// exactly 38: a value longer than its column is cut, a shorter one padded with blanks, and the
// running counter is capped at 99999, so no value ever shifts the columns after it (the readers
// and the lookups depend on fixed positions). Lines are single-byte text (column_text.h) and end
// in CR LF on disk.
//
// Main line (1-based columns, inclusive):
// | columns | width | content                                                       |
// |---------|-------|---------------------------------------------------------------|
// | 1-10    | 10    | IK, blank-padded                                              |
// | 11-12   | 2     | "01"                                                          |
// | 14-18   | 5     | running counter, leading zeros                                |
// | 20-29   | 10    | referenced IK ("VKG+01")                                      |
// | 30-39   | 10    | §302/§105: partner of the last "VKG+02"; §300: blank          |
// | 40-49   | 10    | §302/§105: partner of the last "VKG+03"; §300: institution type |
// | 50-79   | 30    | short name          (address block 1-30)                      |
// | 80-109  | 30    | name 1              (block 31-60)                             |
// | 110-114 | 5     | postcode            (block 61-65)                             |
// | 115-139 | 25    | town                (block 66-90)                             |
// | 140-169 | 30    | street              (block 91-120)                            |
// | 170-171 | 2     | kind                (block 121-122)                           |
// | 172-181 | 10    | §300: paper-office IK; else blank (block 123-132)             |
// | 182-211 | 30    | name 2              (block 133-162)                           |
// | 212-241 | 30    | name 3              (long block 163-192)                      |
// Columns 13 and 19 are blanks.
//
// Link line: columns 1-9 IK, 11-12 type, 14-22 partner IK (bytes 8-16 of the "VKG" segment), then
// elements 4, 6, 7, 8, 9, 10 of the segment, each behind one blank, at 24, 26-27, 29, 31-32,
// 34-35 and 37-38; columns 10, 13, 23, 25, 28, 30, 33 and 36 are blanks.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace riviza::costbearer {

struct Column {
  size_t first;  // 1-based
  size_t width;
  constexpr size_t last() const { return first + width - 1; }
};

constexpr size_t kKeyWidth = 12;
constexpr size_t kMainLineWidth = 241;
constexpr size_t kLinkLineWidth = 38;
constexpr int kCounterMax = 99999;

// ---- main line ----
enum class MainField {
  Ik, LineType, Counter, Verweis, Partner02, Partner03, Kurzname, Name1, Plz, Ort, Strasse, Kassenart,
  Papierannahme, Name2, Name3, Count_
};
constexpr std::array<Column, static_cast<size_t>(MainField::Count_)> kMainColumns = {{
    {1, 10}, {11, 2}, {14, 5}, {20, 10}, {30, 10}, {40, 10}, {50, 30}, {80, 30},
    {110, 5}, {115, 25}, {140, 30}, {170, 2}, {172, 10}, {182, 30}, {212, 30},
}};
constexpr Column mainColumn(MainField f) { return kMainColumns[static_cast<size_t>(f)]; }
constexpr bool ascendingWithoutOverlap(const auto& cols) {
  for (size_t i = 1; i < cols.size(); ++i)
    if (cols[i].first <= cols[i - 1].last()) return false;
  return true;
}
static_assert(ascendingWithoutOverlap(kMainColumns));
static_assert(mainColumn(MainField::Name3).last() == kMainLineWidth);
static_assert(mainColumn(MainField::Kurzname).first == 50);

// Address block: main-line columns 50-211; the long block runs on to 241.
constexpr Column kAddressBlock{50, 162};
constexpr Column kLongAddressBlock{50, 192};
static_assert(kAddressBlock.last() == mainColumn(MainField::Name2).last());
static_assert(kLongAddressBlock.last() == kMainLineWidth);

// The values of one main line, as single-byte text; each is cut or padded to its column.
struct MainLineValues {
  std::array<std::string_view, static_cast<size_t>(MainField::Count_)> field{};
  std::string_view& operator[](MainField f) { return field[static_cast<size_t>(f)]; }
};
// Formats the main line (exactly kMainLineWidth bytes, no line end). `counter` is written with
// five digits; values above kCounterMax are written as kCounterMax.
std::string formatMainLine(MainLineValues values, int counter);

// ---- link line ----
constexpr Column kLinkIk{1, 9};
constexpr Column kLinkType{11, 2};
constexpr Column kLinkPartner{14, 9};
// The segment elements a link line carries, each behind one blank.
struct LinkElement {
  size_t element;  // element number in the "VKG" segment
  Column column;
};
constexpr std::array<LinkElement, 6> kLinkElements = {{
    {4, {24, 1}}, {6, {26, 2}}, {7, {29, 1}}, {8, {31, 2}}, {9, {34, 2}}, {10, {37, 2}},
}};
constexpr Column kLinkElement4 = kLinkElements[0].column;
constexpr Column kLinkDelivery = kLinkElements[1].column;  // delivery code
constexpr Column kLinkElement7 = kLinkElements[2].column;
constexpr Column kLinkRegion = kLinkElements[3].column;    // compared with Bundesland
constexpr Column kLinkKvBezirk = kLinkElements[4].column;  // compared with KvBezirk
constexpr Column kLinkGruppe = kLinkElements[5].column;    // compared with Abrechnungscode302
static_assert(kLinkElements.back().column.last() == kLinkLineWidth);
static_assert(kLinkPartner.last() + 2 == kLinkElements.front().column.first);

// Builds the link line of type `type` ("02", "03", "09") for cost bearer `ik` from a "VKG" segment
// line (separators taken without release characters). Exactly kLinkLineWidth bytes.
std::string formatLinkLine(std::string_view ik, std::string_view type, std::string_view segmentLine);

// ---- reading ----
// What every line begins with: the IK's nine digits (column 10 is the blank after them), its
// two-digit prefix and the code after it (which Kosttr.db and the fund tables key by), and the
// line type. Callers read lines through these and mainColumn, never by column numbers.
constexpr Column kLineIk{1, 9};
constexpr Column kIkPrefix{1, 2};
constexpr Column kIkCode{3, 7};
constexpr Column kLineType = mainColumn(MainField::LineType);
// The nine digits of the referenced IK of a main line.
constexpr Column kVerweisIk{mainColumn(MainField::Verweis).first, kLineIk.width};
static_assert(kLineIk.first == kLinkIk.first && kLineIk.width == kLinkIk.width);
static_assert(kLineType.first == kLinkType.first && kLineType.width == kLinkType.width);
static_assert(kIkPrefix.width + kIkCode.width == kLineIk.width && kIkCode.first == kIkPrefix.last() + 1);
static_assert(kLineIk.last() < mainColumn(MainField::LineType).first);
static_assert(kVerweisIk.last() <= mainColumn(MainField::Verweis).last());

// Where a main field stands in the address block the address lookups hand out (1-based).
constexpr Column blockColumn(MainField f) {
  return {mainColumn(f).first - kLongAddressBlock.first + 1, mainColumn(f).width};
}
static_assert(blockColumn(MainField::Name1).first == 31 && blockColumn(MainField::Name2).last() == 162);

}  // namespace riviza::costbearer
