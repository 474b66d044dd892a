// abr_tools: the reader runs with their files, the unit-level tables and the lookups by IK over
// them. See abr_tools.h; the reading itself is kosttr_reader, the rules of the lookups
// kosttr_lookups.
#include "costbearer/abr_tools.h"

#include <array>

#include "app/allg_tools.h"
#include "costbearer/interchange.h"
#include "costbearer/kosttr_lookups.h"
#include "costbearer/kosttr_reader.h"
#include "costbearer/work_lines.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace riviza {

namespace cb = costbearer;
namespace pf = platform;

namespace {

std::array<cb::KosttrTabelle, 3> gTables;

cb::KosttrTabelle& tableFor(cb::Basis basis) { return gTables[static_cast<size_t>(basis)]; }

cb::DateNumber todayNumber() {
  pf::DateTime d = pf::today();
  return d.year * 10000L + d.month * 100L + d.day;
}

std::vector<std::string> splitAt(std::string_view list, char separator) {
  std::vector<std::string> parts;
  while (!list.empty()) {
    size_t end = list.find(separator);
    parts.emplace_back(list.substr(0, end));
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return parts;
}

// The files of one basis in `folder`: each read and its frame checked, then each kind's newest
// first through the reader. A damaged file fails the run before a line of any file is read.
Status dateienLesen(cb::Basis basis, const std::string& folder, cb::ReadOutput& out) {
  std::vector<cb::InputFile> files;
  for (const std::string& name : splitAt(DateienSuchen(folder, cb::rulesFor(basis).mask), '@')) {
    pf::processMessages();
    Result<std::string> bytes = pf::readFile(folder + name);
    if (!bytes) return bytes.error();
    Result<cb::Interchange> frame = cb::checkInterchange(name, *bytes);
    if (!frame) return frame.error();
    files.push_back({name, std::move(*bytes), frame->prepared});
  }
  const cb::DateNumber today = todayNumber();
  cb::orderNewestFirst(files, today);
  cb::CostBearerReader reader(basis, today, out);
  for (const cb::InputFile& f : files) RIVIZA_TRY(reader.readFile(f.name, f.bytes));
  return okStatus();
}

// One run of one reader. The work file is written only once the whole run has succeeded, so a
// failed run leaves it empty, like its table.
KosttrLeseErgebnis einlesen(cb::Basis basis, std::string_view programmPfad, std::string_view datenPfad,
                            std::string_view jahrPfad, Melder& melder) {
  const cb::BasisRules& rules = cb::rulesFor(basis);
  cb::KosttrTabelle& table = tableFor(basis);
  table.clear();

  std::string folder = std::string(datenPfad) + std::string(jahrPfad) + "Kosttr\\";
  std::string temp = std::string(programmPfad) + "Temp\\";
  std::string workPath = temp + rules.workFile;
  std::string logPath = temp + rules.logFile;

  KosttrLeseErgebnis result;
  cb::ReadOutput out;
  auto fail = [&](const Error& error) {
    (void)pf::writeFile(logPath, out.log);  // what was logged before the failure, for diagnosis
    result.status = error;
    result.notes = std::move(out.notes);
    return std::move(result);
  };

  if (Status s = pf::writeFile(workPath, ""); !s) return fail(s.error());
  if (Status s = pf::writeFile(logPath, ""); !s) return fail(s.error());

  if (Status s = dateienLesen(basis, folder, out); !s) {
    if (s.error().code == cb::kTableSizeExceeded) melder.meldung(Meldungsart::FehlerBox, s.error().message);
    return fail(s.error());
  }
  if (Status s = pf::writeFile(logPath, out.log); !s) return fail(s.error());
  if (Status s = pf::writeFile(workPath, out.work); !s) {
    (void)pf::writeFile(workPath, "");
    return fail(s.error());
  }

  table.load(out.work, out.counter);
  result.counter = out.counter;
  result.kostentraeger = out.valid;
  result.notes = std::move(out.notes);
  return result;
}

// Lookups take and give UTF-8; the tables hold single-byte text.
std::string bytesOf(std::string_view utf8) { return pf::fromUtf8(utf8, pf::CodePage::Windows1252); }
std::string utf8Of(std::string_view bytes) { return pf::toUtf8(bytes, pf::CodePage::Windows1252); }

std::string mainLookup(cb::Basis basis, std::string_view ik, cb::MainFilter filter, cb::Column result) {
  return utf8Of(cb::mainLineLookup(tableFor(basis), bytesOf(ik), filter, {}, result));
}

FixedColumns address(cb::Basis basis, std::string_view ik, cb::MainFilter filter, std::string_view kind,
                     cb::Column block) {
  return cb::addressLookup(tableFor(basis), bytesOf(ik), filter, bytesOf(kind), block);
}

constexpr cb::Column kVerweis{20, 9};
constexpr cb::Column kPapierannahme{172, 9};
constexpr cb::Column kKassenart = cb::mainColumn(cb::MainField::Kassenart);
constexpr cb::Column kIk{1, 9};

std::string papierannahme(std::string_view ik, std::string_view gruppe, std::string_view region,
                          std::string_view delivery) {
  std::string g = bytesOf(gruppe), r = bytesOf(region);
  return utf8Of(cb::prioritySearch(tableFor(cb::Basis::S302), bytesOf(ik), " 09", delivery, {r, {}, g}));
}

std::string firstLink(cb::FirstLinkRule rule, std::string_view ik, std::string_view region,
                      std::string_view kvBezirk, std::string_view gruppe) {
  std::string r = bytesOf(region), kv = bytesOf(kvBezirk), g = bytesOf(gruppe);
  return utf8Of(cb::firstLinkSearch(tableFor(cb::Basis::S302), bytesOf(ik), rule, {r, kv, g}));
}

}  // namespace

KosttrLeseErgebnis Kosttr300Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder) {
  return einlesen(cb::Basis::S300, programmPfad, datenPfad, jahrPfad, melder);
}
KosttrLeseErgebnis Kosttr302Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder) {
  return einlesen(cb::Basis::S302, programmPfad, datenPfad, jahrPfad, melder);
}
KosttrLeseErgebnis Kosttr105Einlesen(std::string_view programmPfad, std::string_view datenPfad,
                                     std::string_view jahrPfad, Melder& melder) {
  return einlesen(cb::Basis::S105, programmPfad, datenPfad, jahrPfad, melder);
}

KosttrLeseErgebnis KosttrDateienPruefen(cb::Basis basis, std::string_view ordner) {
  cb::ReadOutput out;
  KosttrLeseErgebnis result;
  result.status = dateienLesen(basis, std::string(ordner), out);
  if (result.ok()) {
    result.counter = out.counter;
    result.kostentraeger = out.valid;
  }
  result.notes = std::move(out.notes);
  return result;
}

const cb::KosttrTabelle& Kosttr300Tabelle() { return tableFor(cb::Basis::S300); }
const cb::KosttrTabelle& Kosttr302Tabelle() { return tableFor(cb::Basis::S302); }
const cb::KosttrTabelle& Kosttr105Tabelle() { return tableFor(cb::Basis::S105); }

FixedColumns Kosttr300Adresse(std::string_view ik, std::string_view) {
  return address(cb::Basis::S300, ik, cb::MainFilter::Any, {}, cb::kAddressBlock);
}
FixedColumns Kosttr302Adresse(std::string_view ik, std::string_view) {
  return address(cb::Basis::S302, ik, cb::MainFilter::Any, {}, cb::kAddressBlock);
}
FixedColumns Kosttr302AdresseLang(std::string_view ik, std::string_view kassenart) {
  return address(cb::Basis::S302, ik, cb::MainFilter::KindEquals, kassenart, cb::kLongAddressBlock);
}
FixedColumns Kosttr105Adresse(std::string_view ik) {
  return address(cb::Basis::S105, ik, cb::MainFilter::Any, {}, cb::kAddressBlock);
}

std::string Kosttr300Papierannahme(std::string_view ik) {
  return mainLookup(cb::Basis::S300, ik, cb::MainFilter::Any, kPapierannahme);
}
std::string Kosttr300Verweis(std::string_view ik) {
  return mainLookup(cb::Basis::S300, ik, cb::MainFilter::Any, kVerweis);
}
std::string Kosttr302Verweis(std::string_view ik) {
  return mainLookup(cb::Basis::S302, ik, cb::MainFilter::Any, kVerweis);
}
std::string Kosttr300Kassenart(std::string_view ik) {
  return mainLookup(cb::Basis::S300, ik, cb::MainFilter::KindNotAB, kKassenart);
}
std::string Kosttr302Kassenart(std::string_view ik) {
  return mainLookup(cb::Basis::S302, ik, cb::MainFilter::KindNotAB, kKassenart);
}
std::string Kosttr105Kassenart(std::string_view ik) {
  return mainLookup(cb::Basis::S105, ik, cb::MainFilter::KindNotAB, kKassenart);
}
std::string Kosttr300Art04(std::string_view ik) {
  return mainLookup(cb::Basis::S300, ik, cb::MainFilter::Einrichtung04, kIk);
}

std::string Datenannahme300Suchen(std::string_view ik, std::string_view code) {
  return utf8Of(cb::datenannahme300(tableFor(cb::Basis::S300), bytesOf(ik), bytesOf(code)));
}
std::string PapierannahmeSuchen21(std::string_view ik, std::string_view gruppe, std::string_view region) {
  return papierannahme(ik, gruppe, region, "21");
}
std::string PapierannahmeSuchen26(std::string_view ik, std::string_view gruppe, std::string_view region) {
  return papierannahme(ik, gruppe, region, "26");
}
std::string PapierannahmeSuchen27(std::string_view ik, std::string_view gruppe, std::string_view region) {
  return papierannahme(ik, gruppe, region, "27");
}
std::string Datenannahme302Suchen(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                  std::string_view gruppe) {
  std::string r = bytesOf(region), g = bytesOf(gruppe);
  return utf8Of(cb::prioritySearch(tableFor(cb::Basis::S302), bytesOf(ik), " 03", {}, {r, {}, g}));
}
std::string Datenannahme302Suchen2(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                   std::string_view gruppe) {
  return firstLink(cb::FirstLinkRule::Daten2, ik, region, kvBezirk, gruppe);
}
std::string Datenannahme302Suchen3(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                   std::string_view gruppe) {
  return firstLink(cb::FirstLinkRule::Daten3, ik, region, kvBezirk, gruppe);
}
std::string Entschluesselung302Suchen(std::string_view ik, std::string_view region, std::string_view kvBezirk,
                                      std::string_view gruppe) {
  return firstLink(cb::FirstLinkRule::Entschluesselung, ik, region, kvBezirk, gruppe);
}
std::string Entschluesselung302Suchen99(std::string_view ik, std::string_view region,
                                        std::string_view kvBezirk, std::string_view gruppe) {
  return firstLink(cb::FirstLinkRule::Entschluesselung99, ik, region, kvBezirk, gruppe);
}

bool IstDatum(std::string_view text) { return pf::parseDate(text).has_value(); }

}  // namespace riviza
