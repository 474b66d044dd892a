// The lookup rules over one in-memory cost-bearer table; see kosttr_lookups.h.
#include "costbearer/kosttr_lookups.h"

#include <optional>

namespace riviza::costbearer {
namespace {

constexpr Column kKind = mainColumn(MainField::Kassenart);
constexpr Column kEinrichtung{40, 2};

std::string_view at(std::string_view line, Column c) { return columns(line, c.first, c.last()); }

std::string keyOf(std::string_view ik, std::string_view type) {
  std::string key(ik);
  key += type;
  return key;
}

bool passes(std::string_view line, MainFilter filter, std::string_view argument) {
  switch (filter) {
    case MainFilter::Any: return true;
    case MainFilter::KindEquals: return isBlank(argument) || at(line, kKind) == argument;
    case MainFilter::KindNotAB: return at(line, kKind) != "AB";
    case MainFilter::Einrichtung04: return at(line, kEinrichtung) == "04";
  }
  return false;
}

std::optional<std::string_view> firstMainLine(const KosttrTabelle& t, std::string_view ik, MainFilter filter,
                                              std::string_view argument) {
  std::optional<std::string_view> found;
  t.forEachWithKey(keyOf(ik, " 01"), [&](std::string_view line) {
    if (!passes(line, filter, argument)) return true;
    found = line;
    return false;
  });
  return found;
}

// A link's region is accepted when it is two blanks, "99" or the caller's region. The data-office
// searches take the caller's region only from a line of full length.
bool regionAccepted(std::string_view line, std::string_view region, bool needsFullLine) {
  std::string_view r = at(line, kLinkRegion);
  if (r == "  " || r == "99") return true;
  return r == region && (!needsFullLine || line.size() >= kLinkLineWidth);
}

bool sameFirstCharacter(std::string_view a, std::string_view b) {
  return !a.empty() && !b.empty() && a.front() == b.front();
}

bool kvBezirkAccepted(std::string_view line, std::string_view kvBezirk) {
  std::string_view kv = platform::trimView(at(line, kLinkKvBezirk));
  if (kv.empty()) return true;
  std::string_view own = platform::trimView(kvBezirk);
  return !own.empty() && kv == own;
}

bool firstLinkPasses(std::string_view line, FirstLinkRule rule, const OfficeQuery& q) {
  std::string_view g = at(line, kLinkGruppe);
  switch (rule) {
    case FirstLinkRule::Daten2: return regionAccepted(line, q.region, true) && g == "99";
    case FirstLinkRule::Daten3:
      return regionAccepted(line, q.region, true) && sameFirstCharacter(at(line, {37, 1}), q.gruppe);
    case FirstLinkRule::Entschluesselung:
      return regionAccepted(line, q.region, false) &&
             (g == "00" || g == q.gruppe || sameFirstCharacter(g, q.gruppe)) &&
             kvBezirkAccepted(line, q.kvBezirk);
    case FirstLinkRule::Entschluesselung99: return at(line, kLinkRegion) == q.region && g == "99";
  }
  return false;
}

std::string partnerOf(std::string_view line) { return std::string(at(line, kLinkPartner)); }

}  // namespace

std::string mainLineLookup(const KosttrTabelle& t, std::string_view ik, MainFilter filter,
                           std::string_view argument, Column result) {
  auto line = firstMainLine(t, ik, filter, argument);
  return line ? std::string(at(*line, result)) : std::string();
}

FixedColumns addressLookup(const KosttrTabelle& t, std::string_view ik, MainFilter filter,
                           std::string_view argument, Column block) {
  return FixedColumns(mainLineLookup(t, ik, filter, argument, block));
}

std::string datenannahme300(const KosttrTabelle& t, std::string_view ik, std::string_view code) {
  std::string partner;
  t.forEachWithKey(keyOf(ik, " 03"), [&](std::string_view line) {
    std::string_view delivery = at(line, kLinkDelivery);
    std::string_view e7 = at(line, kLinkElement7);
    if (at(line, kLinkElement4) != code || (delivery != "01" && delivery != "07") || (e7 != "1" && e7 != " "))
      return true;
    partner = partnerOf(line);
    return false;
  });
  return partner;
}

std::string prioritySearch(const KosttrTabelle& t, std::string_view ik, std::string_view type,
                           std::string_view delivery, const OfficeQuery& q) {
  std::string exact, firstDigit, group99, group00;
  std::string firstDigitGroup;
  if (!q.gruppe.empty() && q.gruppe.front() != '5' && q.gruppe.front() != '6')
    firstDigitGroup = std::string(1, q.gruppe.front()) + "0";
  t.forFirstBlock(keyOf(ik, type), [&](std::string_view line) {
    if (!delivery.empty()) {
      std::string_view d = at(line, kLinkDelivery);
      if (d != delivery && d != "28") return;
    }
    if (!regionAccepted(line, q.region, delivery.empty())) return;
    std::string_view g = at(line, kLinkGruppe);
    if (!firstDigitGroup.empty() && g == firstDigitGroup) firstDigit = partnerOf(line);
    if (g == q.gruppe) exact = partnerOf(line);
    if (g == "00") group00 = partnerOf(line);
    if (g == "99") group99 = partnerOf(line);
  });
  // Answered also when the block is the last of the table, with no entry after it in the scan.
  for (const std::string* candidate : {&exact, &firstDigit, &group99, &group00})
    if (!isBlank(*candidate)) return *candidate;
  return {};
}

std::string firstLinkSearch(const KosttrTabelle& t, std::string_view ik, FirstLinkRule rule,
                            const OfficeQuery& q) {
  bool decryption = rule == FirstLinkRule::Entschluesselung || rule == FirstLinkRule::Entschluesselung99;
  std::string partner;
  t.forEachWithKey(keyOf(ik, decryption ? " 02" : " 03"), [&](std::string_view line) {
    if (!firstLinkPasses(line, rule, q)) return true;
    partner = partnerOf(line);
    return false;
  });
  return partner;
}

}  // namespace riviza::costbearer
