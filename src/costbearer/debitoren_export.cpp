// The BüroWARE import files and the import run (cost-bearer domain); see debitoren_export.h.
#include "costbearer/debitoren_export.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

#include "app/allg_tools.h"
#include "app/vorgang.h"
#include "db/filter.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/ini.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza::costbearer {

namespace pf = platform;

namespace {

constexpr char kTrenner = '\xFE';
constexpr size_t kNummerBreite = 8;
constexpr long long kErsatzNummer = 10000;

std::string nummerText(long long n) {
  std::array<char, 24> buf;
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), n);
  return std::string(buf.data(), end);
}

std::string bytesVon(std::string_view utf8) { return pf::fromUtf8(utf8, pf::CodePage::Windows1252); }

// Appends the value padded with blanks to its width; a longer value is kept whole.
void spalte(std::string& satz, std::string_view wert, size_t breite) {
  satz += wert;
  if (wert.size() < breite) satz.append(breite - wert.size(), ' ');
}

std::string feldText(db::TTable& t, std::string_view name) {
  db::TField* f = t.findField(name);
  return f ? f->asString() : std::string();
}

// Starts the program with its arguments (no shell, so a password stays one argument) and
// waits for it; its exit code is not looked at.
Status startenUndWarten(const std::vector<std::string>& argv, std::string_view ordner) {
  auto p = pf::startProcess(argv, ordner);
  if (!p) return p.error();
  (void)ProzessAbwarten(*p);
  return okStatus();
}

}  // namespace

std::string tabZeile(std::span<const std::string_view> felder) {
  std::string zeile;
  for (std::string_view f : felder) {
    zeile += f;
    zeile += '\t';
  }
  return zeile + "\r\n";
}

bool bueroWareGewaehlt(const DebitorenEinstellungen& e) { return e.bueroWare && !pf::trim(e.ordner).empty(); }

Result<std::string> importOrdnerAnlegen(Vorgang& v, const DebitorenEinstellungen& e) {
  const std::string ordner = e.ordner + "\\Import";
  RIVIZA_TRY(v.dateien().makeFolders(ordner));
  return ordner;
}

DebitorenExport::DebitorenExport(Neuaufbau& n)
    : n_(n), e_(n.werte.debitoren), tabListe_(bueroWareGewaehlt(n.werte.debitoren)) {}

bool DebitorenExport::nummerVorbereiten() {
  if (!e_.debitorenAb) return true;
  const std::string text = pf::trim(e_.nummer);
  if (text.empty()) return true;
  const std::optional<double> wert = pf::parseFloat(text);
  // A negative number is no debtor number, like a text that is none.
  const double ganz = wert && *wert >= 0 ? std::trunc(*wert) : static_cast<double>(kErsatzNummer);
  // Eight digits are the width of the debtor column; a wider number would shift the record.
  if (ganz > 99999999.0) {
    n_.melder.meldung(
        Meldungsart::FehlerBox,
        "Debitoren-Nr. \"" + text + "\" hat mehr als 8 Stellen:\nKostenträger nicht aktualisiert.");
    return false;
  }
  nummer_ = static_cast<long long>(ganz);
  naechste_ = *nummer_;
  nummerAnzeigen(*nummer_);
  return true;
}

void DebitorenExport::nummerAnzeigen(long long n) {
  const std::string text = nummerText(n);
  if (e_.nummer == text) return;
  n_.debitorenAb = text;
  nummerGeaendert_ = true;
}

Status DebitorenExport::oeffnen() {
  const std::string& programm = n_.installation.programmPfad;
  idb_.datei.vorsehen(programm + "IDB_ID0020.DAT", "\r\n");
  dta_.datei.vorsehen(programm + "Kosttr.dta");
  if (tabListe_) {
    auto ordner = importOrdnerAnlegen(n_.vorgang, e_);
    if (!ordner) return ordner.error();
    tab_.datei.vorsehen(*ordner + "\\Kosttr.tab");
  }
  return okStatus();
}

Status DebitorenExport::durchgangBeginnen(Basis b) {
  for (Datei* d : {&idb_, &dta_, &tab_}) {
    d->puffer.clear();
    RIVIZA_TRY(d->datei.anlegen(n_.vorgang));
  }
  // This cursor tells whether a §300 code is a §302 cost bearer already (it reads Kosttr.db in
  // the operation's transaction, the §302 pass's records); without Kosttr.db there is none to
  // stand aside for.
  db::TTable& t2 = n_.cursor.schon302;
  t2.close();
  if (!e_.debitorenAb || b != Basis::S300 || !pf::fileExists(jahrTabellenPfad(n_.installation, "Kosttr.db")))
    return okStatus();
  Status st = n_.vorgang.tabellen().join(t2);
  if (st) st = jahrTabelleOeffnen(t2, n_.installation, "Kosttr.db");
  return st ? st : Status(fehlerIn(t2, st.error()));
}

// Kosttr.db keys its cost bearers by the code after "10": only a "10" IK can be one of them.
// (Comparing the code alone made an "18" bearer stand aside for a "10" bearer.)
Result<bool> DebitorenExport::schonAls302(const Arbeitszeile& zeile) {
  db::TTable& t2 = n_.cursor.schon302;
  if (!t2.active() || zeile.roh(kIkPrefix) != "10") return false;
  RIVIZA_TRY(t2.setFilter("IK = " + db::quoteFilterValue(zeile.code())));
  RIVIZA_TRY(t2.setFiltered(true));
  return !t2.isEmpty();
}

std::string DebitorenExport::dtaZeile(Basis b, db::TTable& gebucht) const {
  const bool neu = e_.neu55 && b == Basis::S302;
  const std::string kurz = feldText(gebucht, "Kurz");
  const std::string name1 = feldText(gebucht, "Name1");
  const std::string ik = (b == Basis::S105 ? "" : "10") + feldText(gebucht, "IK");
  const bool name1WieKurz = b == Basis::S302 && pf::equalsIgnoreCase(name1, kurz);
  struct Paar {
    std::string_view tag;
    std::string wert;
  };
  std::vector<Paar> paare = {
      {"UEBER", "N"},
      {"SKZ", "ADR"},
      {"VART", "0 "},
      {"aa", nummerText(naechste_) + " "},
      {"ac", kurz + " "},
      {"ad", name1WieKurz ? " " : name1 + " "},
      {"jf", feldText(gebucht, "Name2") + " "},
      {neu ? "lj" : "ae", feldText(gebucht, "Strasse") + " "},
      {"ha", feldText(gebucht, "Plz") + " "},
      {neu ? "lk" : "af", feldText(gebucht, "Ort") + " "},
      {"17", ik + " "},
      {"ajy", "20 "},
  };
  if (!neu) paare.push_back({"it", "20 "});
  for (Paar fest :
       {Paar{"im2", "DE "}, Paar{"29", "J "}, Paar{"16", "J "}, Paar{"13", "19 "}, Paar{"14", "12 "},
        Paar{"15", "000 "}, Paar{"07", "J "}, Paar{"32", "J "}, Paar{"aix", "00 "}, Paar{"cg", "4 "},
        Paar{"cf", "1 "}, Paar{"cc", "1 "}, Paar{"an", "14 "}, Paar{"ka", "J "}, Paar{"STAMMKALK", "J "}})
    paare.push_back(std::move(fest));
  std::string zeile(1, kTrenner);
  for (size_t i = 0; i < paare.size(); ++i) {
    if (i > 0) zeile += kTrenner;
    zeile += paare[i].tag;
    zeile += kTrenner;
    zeile += bytesVon(paare[i].wert);
  }
  return zeile + "\r\n";
}

Status DebitorenExport::satz(Basis basis, const Arbeitszeile& zeile, db::TTable& gebucht) {
  const bool pflege18 = zeile.roh(kIkPrefix) == "18";
  const std::string ik = basis == Basis::S105 ? std::string(zeile.bytesGetrimmt(kLineIk))
                                             : "10" + std::string(zeile.bytesGetrimmt(kIkCode));
  using F = MainField;
  auto b = [&](F f) { return zeile.bytesGetrimmt(f); };
  if (tabListe_ && (basis != Basis::S105 || pflege18)) {
    const std::array<std::string_view, 13> felder = {
        ik, b(F::Kurzname),  b(F::Name1),     b(F::Name2), b(F::Strasse), b(F::Plz), b(F::Ort), "", "",
        "", b(F::Kassenart), basisText(basis), ""};
    tab_.puffer += tabZeile(felder);
  }
  if (!e_.debitorenAb || erschoepft_) return okStatus();
  if (basis == Basis::S105 && !pflege18) return okStatus();
  if (basis != Basis::S302) {
    auto schon = schonAls302(zeile);
    if (!schon) return schon.error();
    if (*schon) return okStatus();
  }
  std::string satz;
  spalte(satz, ik, 9);
  for (F f : {F::Kurzname, F::Name1, F::Name2, F::Strasse}) spalte(satz, b(f), 30);
  spalte(satz, b(F::Plz), 8);
  spalte(satz, b(F::Ort), 30);
  spalte(satz, "", 100);
  spalte(satz, b(F::Kassenart), 5);
  spalte(satz, basisText(basis), 3);
  spalte(satz, "", 9);
  spalte(satz, nummer_ ? nummerText(naechste_) : "", kNummerBreite);
  spalte(satz, "", 196);
  idb_.puffer += satz + "\r\n";
  if (!nummer_) return okStatus();

  dta_.puffer += dtaZeile(basis, gebucht);
  // The number stored is the first not handed out, also when it no longer fits.
  if (nummerText(++naechste_).size() > kNummerBreite) {
    erschoepft_ = true;
    n_.melder.zeile("  FEHLER Debitoren-Nr. " + nummerText(naechste_) +
                    " hat mehr als 8 Stellen, keine weiteren Debitoren geschrieben");
  }
  return okStatus();
}

Status DebitorenExport::durchgangSchreiben() {
  for (Datei* d : {&idb_, &dta_, &tab_}) RIVIZA_TRY(d->datei.anhaengen(d->puffer));
  return okStatus();
}

Status DebitorenExport::abschliessen() {
  Neuaufbau& n = n_;
  n.cursor.schon302.close();
  bool ok = !erschoepft_;
  for (Datei* d : {&idb_, &dta_, &tab_}) {
    if (Status s = d->datei.schliessen(); !s) {
      fehlerProtokollieren(n.melder, s.error());
      n.fehler = true;
      ok = false;
    }
  }
  const bool geschrieben = idb_.datei.angelegt();
  const bool weiter = nummer_ && naechste_ != *nummer_;
  if (geschrieben && (weiter || nummerGeaendert_)) {
    const std::string text = nummer_ ? nummerText(naechste_) : e_.nummer;
    auto ini = n.vorgang.dateien().stageCopy(n.installation.jahrIniPfad());
    Status st = ini ? pf::IniFile(*ini).writeString("FIRMA", "DebitorenAb", text) : Status(ini.error());
    if (!st) {
      fehlerProtokollieren(n.melder, "Debitoren-Nr. nicht gespeichert", st.error());
      n.fehler = true;
      return st;
    }
  }
  Status ergebnis = ok ? okStatus() : Status(nichtAktualisiert("Debitoren"));
  // Without a table rebuilt the import files are the last run's: importing them again would
  // hand the same debtors over twice.
  if (!geschrieben) return ergebnis;
  const std::optional<long long> ende = nummer_ ? std::optional(naechste_) : std::nullopt;
  n.vorgang.danach([ende, &n, import = ok] {
    if (ende) n.debitorenAb = nummerText(*ende);
    if (import && !bueroWareImportieren(n.werte.debitoren, n.melder)) n.fehlerDanach = true;
  });
  return ergebnis;
}

Status bueroWareImportieren(const DebitorenEinstellungen& e, Melder& m) {
  const std::string ordner = pf::trim(e.ordner);
  const std::string bediener = pf::trim(e.bediener);
  const std::string workflow = pf::trim(e.workflow);
  std::string kennwort = pf::trim(e.kennwort);
  if (!e.bueroWare || ordner.empty() || bediener.empty() || workflow.empty()) return okStatus();
  // The log shows the stand-in of an empty password; every real password is masked.
  std::string kennwortImLog = "*****";
  if (kennwort.empty()) {
    kennwort = bediener == "000" ? kBwKennwort000 : kBwOhneKennwort;
    if (bediener != "000") kennwortImLog = kBwOhneKennwort;
  }
  const std::vector<std::string> argv = {kBueroWareProgramm, "/NoLogo", "/NoStartLogo",  bediener,
                                         kennwort,           "01",      "17" + workflow, "99"};
  const std::string programm = ordner + "\\" + kBueroWareProgramm;
  if (!pf::fileExists(programm)) {
    m.zeile("  FEHLER BüroWARE-Import, Datei nichr vorhanden: " + pf::displayPath(programm));
    return nichtAktualisiert("BüroWARE-Import");
  }
  m.zeile(std::string("  BüroWARE-Import: ") + kBueroWareProgramm + " /NoLogo /NoStartLogo " + bediener +
          " " + kennwortImLog + " 01 17" + workflow + " 99 " + pf::displayPath(ordner));
  if (Status s = startenUndWarten(argv, ordner); !s) {
    m.zeile("  FEHLER BüroWARE-Import, Start fehlgeschlagen: " + pf::displayPath(programm) + ": " +
            s.error().message);
    return s;
  }
  m.zeile("  ENDE BüroWARE-Import");
  return okStatus();
}

}  // namespace riviza::costbearer
