// Golden work files and logs: synthetic year folders run through the three readers against a
// fixed clock (15.06.2025), compared byte for byte with tests/costbearer/golden/<scenario>/.
// With RIVIZA_UPDATE_GOLDEN=1 in the environment the tests rewrite the golden files instead (then
// review the diff before committing).
#include <gtest/gtest.h>

#include <optional>

#include "costbearer/abr_tools.h"
#include "costbearer/kosttr_reader.h"
#include "fixtures.h"
#include "platform/clock.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "ui/dialogs.h"

namespace riviza {
namespace {

using costbearer::Basis;
using test::compareGolden;
using test::crlfLines;
using test::segmentFile;

struct FixtureFile {
  std::string name;                 // inside the year's Kosttr folder
  std::optional<std::string> bytes;  // nullopt: a folder of that name
};

struct Scenario {
  const char* name;
  Basis basis;
  std::vector<FixtureFile> files;
};

std::vector<std::string> lines(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A whole file: the frame around the parts' lines; its UNB prepared at `prepared`.
std::vector<std::string> file(std::initializer_list<std::vector<std::string>> parts,
                              std::string_view prepared = "250901:1030") {
  return test::interchange(lines(parts), prepared);
}

std::vector<std::string> bearer(const std::string& idk, std::vector<std::string> segments) {
  segments.insert(segments.begin(), idk);
  return test::message(segments);
}

// n link segments of one kind with distinct partners.
std::vector<std::string> links(const std::string& type, int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("VKG+" + type + "+1" + std::to_string(10000000 + i) + "+5++07++01++00'");
  return out;
}

std::vector<FixtureFile> capFiles(const std::string& type, int n) {
  return {{"AO05Q425.ke0",
           segmentFile(file({bearer("IDK+101111111+99+Vorher gültig'", {"VKG+02+109999999+5++07++01++00'"}),
                             bearer("IDK+102222222+99+Vorher abgelaufen'",
                                    {"VDT+19990101+20000101'", "VKG+03+109999999+5++07++01++00'"}),
                             bearer("IDK+103333333+99+Viele Links'", links(type, n))}))}};
}

std::vector<Scenario> scenarios() {
  std::vector<Scenario> s;
  s.push_back({"s302", Basis::S302,
               {
                   {"AO05Q425.ke0",
                    segmentFile(file({
                        bearer("IDK+101111111+99+R?+V BKK'",
                               {"VDT+19970403'", "FKT+02'", "VKG+02+109999999+5++07++01++00'",
                                "VKG+03+101111111+5++07++++99'", "VKG+09+109519016+5++28+6+++00'",
                                "NAM+01+R?+V+Betriebskrankenkasse+Süd?'Ost'", "ANS+1+35387+Gießen+41120'"}),
                        bearer("IDK+102222222+99+Überlange Kurzbezeichnung mit mehr als dreißig Zeichen'",
                               {"VDT+20200101+20991231'",
                                "NAM+01+Ein Name 1 der länger als dreißig Zeichen ist+Name 2 der ebenfalls "
                                "länger als dreißig ist+Name 3 ebenso überlang bis zum Ende'",
                                "ANS+1+123456+Ein Ort dessen Name länger als 25 ist+Eine Straße die länger als "
                                "dreißig Zeichen ist'",
                                "VKG+02+1099999991234+55++0777+12+011+7+000'", "VKG+02+1234'", "VKG+03++++++++'"}),
                        bearer("IDK+103333333+99+Abgelaufen gestern'",
                               {"VDT+20100101+20250614'", "VKG+02+109999999+5++07++01++00'"}),
                        bearer("IDK+104444444+99+Gültig ab morgen'",
                               {"VDT+20250616'", "VKG+03+109999999+5++07++01++00'"}),
                        bearer("IDK+105555555+99+Link abgelaufen'",
                               {"VDT+20000101'", "VKG+02+109999992+5++07++01++00'",
                                "VKG+03+109999993+5++07++01++00'", "VDT+20000101+20250101'"}),
                        bearer("IDK+106666666+99+Gültig bis heute'", {"VDT+20000101+20250615'"}),
                        bearer("IDK+107777777+99+VDT anderer Länge'", {"VDT+2025'", "VDT+20250616+'"}),
                        bearer("IDK+108888888+99+VDT ohne Ziffern'", {"VDT+2025XX01'"}),
                        bearer("IDK+109999999+99+Adressen'",
                               {"ANS+1+++Postfach'", "ANS+2+22222+Zwei?+Ort+33'", "ANS+3+33333+Drei+Weg 3'"}),
                    }))},
                   {"ek05q425.KE1",  // LF only, upper-case extension, the kind as spelled
                    segmentFile(file({
                                       bearer("IDK+101111111+99+R?+V BKK Ersatz'",
                                              {"NAM+01+Zweiter Eintrag'", "ANS+1+10115+Berlin+Straße 1'"})}),
                                "\n")},
                   {"BK05Q425.ke0", std::nullopt},  // a folder named like a file
                   {"AO06Q425.ke0", segmentFile(bearer("IDK+120000000+99+Falsche Maske'", {}))},
                   {"AO05Q425.txt", segmentFile(bearer("IDK+120000001+99+Falsche Endung'", {}))},
               }});
  s.push_back({"s302_ohne_unt", Basis::S302,
               {
                   {"AO05Q425.ke0", segmentFile(file({bearer("IDK+101111111+99+Vor dem Schaden'", {})}))},
                   {"ZZ05Q425.ke0",  // no final line end; a cost bearer without UNT: the run fails
                    segmentFile(file({{"UNH+00001+KOTR:1'", "IDK+110000001+99+Ohne UNT'",
                                       "VKG+02+109999999+5++07++01++00'", "UNH+00002+KOTR:1'",
                                       "IDK+110000002+99+Mit UNT'", "UNT+000003+00002'"}}),
                                "\r\n", false)},
               }});
  // Three quarters of one kind: Q2/2025 has begun and is the newest begun, so its records stand;
  // Q3/2023 is older; Q3/2025 has not begun and comes last. Another kind keeps its repeat.
  s.push_back({"s302_quartale", Basis::S302,
               {
                   {"AO05Q225.ke0", segmentFile(file({bearer("IDK+101111111+99+Neu 2025'", {}),
                                                      bearer("IDK+103333333+99+Nur 2025'", {})},
                                                     "20250301:0800"))},
                   {"AO05Q323.ke0", segmentFile(file({bearer("IDK+101111111+99+Alt 2023'", {}),
                                                      bearer("IDK+102222222+99+Nur 2023'", {}),
                                                      bearer("IDK+103333333+99+Alt 2023'", {})},
                                                     "230601:0800"))},
                   {"ao05q325.ke0", segmentFile(file({bearer("IDK+101111111+99+Ab Juli'", {"VDT+20250701'"}),
                                                      bearer("IDK+104444444+99+Nur Q3'", {})},
                                                     "250610:0800"))},
                   {"EK05Q323.ke0", segmentFile(file({bearer("IDK+101111111+99+Andere Kassenart'", {})}))},
               }});
  // IKs that are not nine digits are left out, never cut or padded.
  s.push_back({"s302_iks", Basis::S302,
               {{"AO05Q425.ke0",
                 segmentFile(file({bearer("IDK+10'", {"NAM+01+Zu kurz'"}), bearer("IDK+1012345678+99+Zu lang'", {}),
                                   bearer("IDK+10123456X+99+Buchstabe'", {}), bearer("IDK++99+Leer'", {}),
                                   bearer("IDK+101234567+99+Richtig'", {})}))}}});
  s.push_back({"s300", Basis::S300,
               {
                   {"AO03Q425.ke0",
                    segmentFile(file({
                                       bearer("IDK+101111111+04+Apotheke'",
                                              {"VKG+01+100000001+5++21'", "VKG+01+100000011+5++23'",
                                               "VKG+04+100000004+5'", "VKG+09+100000009+5++28+6+++00'",
                                               "VKG+02+100000002+5++07++01++00'", "VKG+03+100000003+5++01+1+++00'",
                                               "NAM+01+Name 1+Name 2+Name 3'", "ANS+1+11111+Eins+Weg 1'",
                                               "ANS+2+22222+Zwei+Weg 2'"})}))},
                   {"bn03Q425.ke0",
                    segmentFile(file({
                                       bearer("IDK+102222222+04+BN Art 04'",
                                              {"VKG+01+100000001+5++21+1+01++00'", "VKG+01+100000011+5++23'",
                                               "VKG+01+100000021+5++22'", "VKG+02+100000002+5++07++01++00'",
                                               "ANS+1+11111+Eins'", "ANS+2+22222+Zwei+Weg 2'"}),
                                       bearer("IDK+103333333+99+BN Art 99'", {"VKG+01+100000001+5++21'"})}))},
               }});
  s.push_back({"s105", Basis::S105,
               {
                   {"AO06Q425.ke0",
                    segmentFile(file({
                                       bearer("IDK+181111111+99+Pflegekasse'",
                                              {"VKG+09+100000009+5++28+6+++00'", "VKG+02+100000002+5++07++01++00'",
                                               "ANS+1+11111++Weg 1'", "ANS+2+22222+Zwei+Weg 2'"}),
                                       bearer("IDK+182222222+99+Mit Verweis'",
                                              {"VKG+01+181111111'", "ANS+1+11111++Weg 1'"})}),
                                "\r\n", false)},  // no final line end
               }});
  s.push_back({"caps_ok", Basis::S302,
               {{"AO05Q425.ke0",
                 segmentFile(file({bearer("IDK+101111111+99+Voll'",
                                          lines({links("02", 99), links("03", 99), links("09", 499)}))}))}}});
  s.push_back({"cap_02_100", Basis::S302, capFiles("02", 100)});
  s.push_back({"cap_03_100", Basis::S302, capFiles("03", 100)});
  s.push_back({"cap_09_500", Basis::S302, capFiles("09", 500)});
  return s;
}

const costbearer::KosttrTabelle& tableOf(Basis basis) {
  switch (basis) {
    case Basis::S300: return Kosttr300Tabelle();
    case Basis::S302: return Kosttr302Tabelle();
    case Basis::S105: return Kosttr105Tabelle();
  }
  return Kosttr302Tabelle();
}

std::string describe(const KosttrLeseErgebnis& r, const ui::ScriptedDialogs& dialogs,
                     const costbearer::KosttrTabelle& table) {
  std::string out = "counter: " + std::to_string(r.counter) + "\n";
  out += r.ok() ? std::string("status: ok\n")
                : "status: error " + std::to_string(r.status.error().code) + ": " + r.status.error().message + "\n";
  out += "notes:\n";
  for (const auto& n : r.notes) out += "  " + n + "\n";
  out += "dialogs:\n";
  for (const auto& d : dialogs.transcript()) out += "  [" + d.caption + "] " + d.text + "\n";
  out += "table: scan " + std::to_string(table.scanLength()) + ", entries " + std::to_string(table.size()) + "\n";
  return out;
}

TEST(Golden, WorkFilesAndLogsOfTheFixtureSets) {
  platform::FixedClock clock(platform::DateTime{2025, 6, 15, 10, 30, 0, 0});
  platform::ScopedClock useClock(clock);
  for (const Scenario& s : scenarios()) {
    SCOPED_TRACE(s.name);
    test::TempDir dir;
    dir.mkdir("prog/Temp");
    dir.mkdir("daten/Abrechng/2025/Kosttr");
    for (const FixtureFile& f : s.files) {
      std::string rel = "daten/Abrechng/2025/Kosttr/" + f.name;
      if (f.bytes) dir.write(rel, *f.bytes);
      else dir.mkdir(rel);
    }
    ui::ScriptedDialogs dialogs;
    const auto& rules = costbearer::rulesFor(s.basis);
    KosttrLeseErgebnis r =
        test::einlesen(s.basis, dir.str() + "/prog\\", dir.str() + "/daten\\", "Abrechng\\2025\\");
    std::string work = dir.read(std::string("prog/Temp/") + rules.workFile);
    std::string log = dir.read(std::string("prog/Temp/") + rules.logFile);
    const std::string golden = "tests/costbearer/golden/" + std::string(s.name) + "/";
    compareGolden(golden + rules.workFile, work);
    compareGolden(golden + rules.logFile, log);
    compareGolden(golden + "result.txt", describe(r, dialogs, tableOf(s.basis)));

    // Whatever the scenario: fixed widths, and the table holds the work file's lines.
    for (const std::string& text : {work, log})
      for (const std::string& line : crlfLines(text))
        EXPECT_EQ(line.size(), line.substr(10, 2) == "01" ? 241u : 38u) << line;
    const auto& table = tableOf(s.basis);
    std::vector<std::string> workLines = crlfLines(work);
    ASSERT_LE(workLines.size(), table.size());
    for (size_t i = 0; i < workLines.size(); ++i) EXPECT_EQ(table.entry(i), workLines[i]);
    if (!r.ok()) {
      EXPECT_EQ(table.size(), 0u);
    }
  }
}

}  // namespace
}  // namespace riviza
