// Fuzz target of the cost-bearer reader: arbitrary bytes as cost-bearer files, read by one of the
// three readers, then loaded as a table and looked up. Byte 0 picks the reader and whether the
// file is a "bn" file; the rest is split at the first 0xFF byte into two files read in turn. Beyond
// "no crash, no sanitizer report", the run checks the reader's invariants and traps when one
// breaks: every work and log line is 241 (main) or 38 (link) bytes with a key of IK, blank and
// type; every IDK line yields exactly one main line or is counted as passed over (unless a cap
// ended the run); the running counter equals the lines written minus the logged main lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "costbearer/column_text.h"
#include "costbearer/kosttr_lookups.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/kosttr_tabelle.h"
#include "costbearer/segment.h"
#include "invariant.h"

namespace cb = riviza::costbearer;

namespace {

using riviza::fuzz::check;

size_t countIdk(std::string_view bytes) {
  cb::LineSplitter lines(bytes);
  std::string_view line;
  size_t n = 0;
  while (lines.next(line)) n += line.substr(0, 3) == "IDK";
  return n;
}

// Checks the lines of a work or log text; returns the number of main lines.
size_t checkLines(std::string_view text, size_t& linkLines) {
  size_t mainLines = 0;
  while (!text.empty()) {
    size_t end = text.find("\r\n");
    check(end != std::string_view::npos);
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 2);
    check(line.size() >= cb::kKeyWidth && line[9] == ' ');
    std::string_view type = line.substr(10, 2);
    if (type == "01") {
      check(line.size() == cb::kMainLineWidth);
      ++mainLines;
    } else {
      check(type == "02" || type == "03" || type == "09");
      check(line.size() == cb::kLinkLineWidth);
      ++linkLines;
    }
  }
  return mainLines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  cb::Basis basis = static_cast<cb::Basis>(data[0] % 3);
  bool bn = (data[0] / 3) % 2 == 1;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t cut = rest.find('\xff');
  std::string_view first = rest.substr(0, cut);
  std::string_view second = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);

  cb::ReadOutput out;
  cb::CostBearerReader reader(basis, 20250615, out);
  const char* name = bn ? "bn03Q425.ke0" : "AO05Q425.ke0";
  riviza::Status status = reader.readFile(name, first);
  size_t idk = countIdk(first);
  if (status.ok()) {
    status = reader.readFile("EK05Q425.KE1", second);
    idk += countIdk(second);
  }
  check(status.ok() || status.error().code == cb::kTableSizeExceeded);

  size_t workLinks = 0, logLinks = 0;
  size_t workMain = checkLines(out.work, workLinks);
  size_t logMain = checkLines(out.log, logLinks);
  const size_t written = workMain + logMain + static_cast<size_t>(out.passedOver);
  check(status.ok() ? written == idk : written < idk);
  check(static_cast<size_t>(out.counter) == workMain + workLinks + logLinks);

  cb::KosttrTabelle table;
  table.load(out.work, out.counter);
  check(table.size() == static_cast<size_t>(out.counter) + 2);
  for (size_t i = 0; i < table.scanLength() && i < 4; ++i) {
    std::string ik(cb::copyBytes(table.entry(i), 1, 9));
    cb::OfficeQuery q{"01", "71", "21"};
    (void)cb::prioritySearch(table, ik, " 09", "21", q);
    (void)cb::prioritySearch(table, ik, " 03", "", q);
    (void)cb::firstLinkSearch(table, ik, cb::FirstLinkRule::Entschluesselung, q);
    (void)cb::addressLookup(table, ik, cb::MainFilter::KindNotAB, "", cb::kLongAddressBlock);
    (void)cb::datenannahme300(table, ik, "5");
  }
  return 0;
}
