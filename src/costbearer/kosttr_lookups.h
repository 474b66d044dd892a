// The rules of the lookups by IK over one in-memory cost-bearer table (cost-bearer domain).
//
// These are the lookups of abr_tools.h with the table passed in, in single-byte text throughout:
// arguments and answers are bytes of the work-file encoding, the empty text meaning "nothing
// found". abr_tools.h binds them to the three unit-level tables and converts at the edge; tests
// call them here to hold the index and the scan to the same answers. An IK is 9 bytes; keys are
// IK + " 01", " 02", " 03" or " 09", compared exactly with an entry's first 12 bytes.
#pragma once

#include <string>
#include <string_view>

#include "costbearer/column_text.h"
#include "costbearer/kosttr_tabelle.h"
#include "costbearer/work_lines.h"

namespace riviza::costbearer {

// Which main lines of an IK a main-line lookup considers; the first that passes answers.
enum class MainFilter {
  Any,           // the first main line
  KindEquals,    // columns 170-171 equal the argument (a blank argument: any)
  KindNotAB,     // kind other than "AB"
  Einrichtung04  // columns 40-41 are "04"
};

// Columns `result` (1-based, inclusive) of the first main line of ik passing the filter.
std::string mainLineLookup(const KosttrTabelle& t, std::string_view ik, MainFilter filter,
                           std::string_view argument, Column result);
// The address block (or the long block) of the first main line of ik passing the filter.
FixedColumns addressLookup(const KosttrTabelle& t, std::string_view ik, MainFilter filter,
                           std::string_view argument, Column block);

// The caller's settings for the office searches: Bundesland, KvBezirk, Abrechnungscode302.
struct OfficeQuery {
  std::string_view region;
  std::string_view kvBezirk;
  std::string_view gruppe;
};

// First " 03" line of ik with element 4 = code, delivery code "01" or "07", element 7 "1" or blank.
std::string datenannahme300(const KosttrTabelle& t, std::string_view ik, std::string_view code);

// The priority search over the first block of ik's lines of `type` (" 03" or " 09"): exact
// provider group, then first digit + "0" (not for groups starting with 5 or 6), then "99", then
// "00". `delivery` non-empty: only links with that delivery code or "28" count (paper searches);
// empty: any delivery code, and a region equal to the caller's needs a 38-byte line.
std::string prioritySearch(const KosttrTabelle& t, std::string_view ik, std::string_view type,
                           std::string_view delivery, const OfficeQuery& q);

enum class FirstLinkRule {
  Daten2,            // " 03": accepted region, provider group "99"
  Daten3,            // " 03": accepted region, column 37 = first character of the caller's group
  Entschluesselung,  // " 02": accepted region, group "00"/equal/same first character, KV district
  Entschluesselung99 // " 02": region exactly the caller's, provider group "99"
};
// Partner IK of the first link line of ik that satisfies the rule.
std::string firstLinkSearch(const KosttrTabelle& t, std::string_view ik, FirstLinkRule rule,
                            const OfficeQuery& q);

}  // namespace riviza::costbearer
