// The record copy of the reorganisation and the rules of its five special tables (form library,
// maintenance); see reorganisation_tabellen.h.
//
// The rules, by table file (names compared ignoring case, as the tables themselves are found):
//   Patienten.DB     records with fields 1, 7, 8, 11 and 12 all blank are dropped; position 0 (the
//                    new table's counter) is not copied; 26 (co-payment exemption) not True ->
//                    False; 33 := month * 100 + day of the birth date text in 16, else 9999
//   ErfPosition.DB   records without a voucher number (field 0) are dropped; with 30 common
//                    fields the VAT code in 10 becomes the net flag in 30
//   Leistungen.DB    with 19 common fields the VAT code in 3 becomes the net flag in 19
//   ErfBeleg.DB      48, 51, 52 not True -> False
//   Ann.DB           a cost-bearer IK of 7 characters (trimmed) gets "10" in front
// Every other table is copied as it is. A position one of the structures lacks reads as empty
// and is not written. A text longer than its new field is cut to it and logged ("Text gekürzt");
// a blank text going into a field that holds no text (a date, a number) leaves that field empty,
// where the Windows program stopped the run on the conversion error, so that such a year could
// never be reorganised. A table is copied in one statement of the table layer (its INSERT ...
// SELECT converts the common fields, and computes the rules' fields through the same routines
// the record-by-record copy uses), and the log lines that copy writes are made of the old
// fields the statement hands over for each record it writes, without a second read of the old
// table: record by record it went through the cursors, a post per record, for every older
// structure. Record by record still go the patients (their counter is
// the new table's), a copy the table layer refuses, and one that breaks a key or meets a value
// that does not convert, so that the error names the record.
#include "maintenance/reorganisation_tabellen.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "db/errors.h"
#include "forms/Riviza1.h"
#include "maintenance/update_liste.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/masks.h"
#include "platform/pump.h"
#include "platform/text.h"

namespace riviza {

namespace {

namespace pf = platform;
using db::TField;
using db::TTable;

// Field `pos` of the current record as text; "" where the table has no such field.
std::string feldText(TTable& t, int pos) {
  return pos < t.fieldCount() ? t.fields(pos).asString() : std::string();
}
std::string getrimmt(TTable& t, int pos) { return pf::trim(feldText(t, pos)); }

// A flag that is not True becomes False; an empty one too.
Status nichtWahrIstFalsch(TTable& neu, int pos) {
  if (pos >= neu.fieldCount() || neu.fields(pos).asBoolean()) return okStatus();
  return neu.fields(pos).setAsBoolean(false);
}

// Older positions and services carried the net price in their VAT code: a code that reads as a
// number above 0 (decimal comma) marks a net price, any other a gross one, whose code is cleared.
struct MwStRegel {
  const char* datei;  // as the log line names it
  int kennzeichen;    // the VAT code
  int nummer;         // the number logged with it
  const char* nummerText;
  int netto;  // the net-price flag, the field after the older ones
};
constexpr MwStRegel kPositionMwSt{"ErfPosition.DB", 10, 0, "Bel", 30};
constexpr MwStRegel kLeistungMwSt{"Leistungen.DB", 3, 2, "Nr", 19};

bool nettoPreis(std::string_view kennzeichen) {
  const auto wert = pf::parseFloat(kennzeichen);
  return wert && *wert > 0;
}

// The log line of a record's VAT code; `kz` and `nummer` trimmed.
// `zeile` holds what goes before it (a log line's time, or nothing).
std::string mwstZeile(std::string zeile, const MwStRegel& r, std::string_view kz, std::string_view nummer) {
  zeile.reserve(zeile.size() + kz.size() + nummer.size() + 48);
  zeile.append("MwStKz <").append(kz).append("> -> ").append(nettoPreis(kz) ? "Netto" : "Brutto");
  zeile.append(" - ").append(r.nummerText).append(": <").append(nummer).append("> ").append(r.datei);
  return zeile;
}

Status mwstUmstellen(const MwStRegel& r, TTable& alt, TTable& neu) {
  if (r.netto >= neu.fieldCount())
    return Error::make(db::kFieldNotFound, "Feld " + std::to_string(r.netto) + " fehlt in der Vorlage");
  const std::string kz = getrimmt(alt, r.kennzeichen);
  const bool netto = nettoPreis(kz);
  if (!netto) RIVIZA_TRY(neu.fields(r.kennzeichen).clear());
  RIVIZA_TRY(neu.fields(r.netto).setAsBoolean(netto));
  ReorgProtokoll(mwstZeile({}, r, kz, getrimmt(alt, r.nummer)));
  return okStatus();
}

Status patientAnpassen(TTable& alt, TTable& neu) {
  if (33 >= neu.fieldCount()) return okStatus();
  // "dd.MM.yyyy": month and day side by side read as month * 100 + day.
  const std::string datum = feldText(alt, 16);
  return neu.fields(33).setAsInteger(
      pf::parseInt(pf::utf8Copy(datum, 4, 2) + pf::utf8Copy(datum, 1, 2)).value_or(9999));
}

Status positionAnpassen(TTable& alt, TTable& neu) { return mwstUmstellen(kPositionMwSt, alt, neu); }
Status leistungAnpassen(TTable& alt, TTable& neu) { return mwstUmstellen(kLeistungMwSt, alt, neu); }

// A cost-bearer IK of 7 characters (trimmed) with "10" in front; nullopt for any other.
std::optional<std::string> ikVerlaengert(const std::string& ik) {
  if (pf::utf8Length(ik) != 7) return std::nullopt;
  return "10" + ik;
}

Status annAnpassen(TTable& alt, TTable& neu) {
  const auto ik = ikVerlaengert(getrimmt(alt, 0));
  return ik ? neu.fields(0).setAsString(*ik) : okStatus();
}

// The value the transfer of a common position stores for the stored value `v` of the old field
// (feldUebertragen without its log line), for the copy in one statement.
Result<db::Value> uebertragen(const db::FieldDef& von, const db::Value& v, const db::FieldDef& nach) {
  if (db::isTextType(von.type) && !db::isTextType(nach.type) &&
      pf::trimView(db::fieldText(von.type, v)).empty())
    return db::Value{};
  return db::assignedValue(von, v, nach);
}

std::string getrimmt(const db::FieldDef& f, const db::Value& v) { return pf::trim(db::fieldText(f.type, v)); }

// nettoPreis of a stored VAT code, read in place where it is a stored text (once per record).
bool nettoPreis(const db::FieldDef& f, const db::Value& v) {
  const auto* text = std::get_if<std::string>(&v);
  return text && db::isTextType(f.type) ? nettoPreis(pf::trimView(*text)) : nettoPreis(getrimmt(f, v));
}

// The conversion of the VAT code as computed positions of the copy in one statement.
bool mwstBerechnen(const MwStRegel& r, const TTable& alt, const TTable& neu, db::RecordCopy& kopie) {
  const auto& a = alt.structure().fields;
  const auto& z = neu.structure().fields;
  if (r.netto >= static_cast<int>(z.size())) return false;  // the record-by-record copy says so
  const db::FieldDef von = a[static_cast<size_t>(r.kennzeichen)],
                     nach = z[static_cast<size_t>(r.kennzeichen)];
  const db::FieldDef flagge = z[static_cast<size_t>(r.netto)];
  kopie.computed.push_back({r.kennzeichen, {r.kennzeichen}, [von, nach](std::span<const db::Value> v) {
                              Result<db::Value> wert = uebertragen(von, v[0], nach);
                              if (wert && !nettoPreis(von, v[0])) return Result<db::Value>(db::Value{});
                              return wert;
                            }});
  kopie.computed.push_back({r.netto, {r.kennzeichen}, [von, flagge](std::span<const db::Value> v) {
                              return db::storedFromFlag(flagge, nettoPreis(von, v[0]));
                            }});
  return true;
}

bool positionBerechnen(const TTable& alt, const TTable& neu, db::RecordCopy& kopie) {
  return mwstBerechnen(kPositionMwSt, alt, neu, kopie);
}
bool leistungBerechnen(const TTable& alt, const TTable& neu, db::RecordCopy& kopie) {
  return mwstBerechnen(kLeistungMwSt, alt, neu, kopie);
}

bool annBerechnen(const TTable& alt, const TTable& neu, db::RecordCopy& kopie) {
  const db::FieldDef von = alt.structure().fields[0], nach = neu.structure().fields[0];
  kopie.computed.push_back({0, {0}, [von, nach](std::span<const db::Value> v) {
                              Result<db::Value> wert = uebertragen(von, v[0], nach);
                              const auto ik = ikVerlaengert(getrimmt(von, v[0]));
                              return wert && ik ? db::storedFromText(nach, *ik) : wert;
                            }});
  return true;
}

// What a table's rule adds to the plain copy of positions 0 to n-1: `anpassen` for the copy
// record by record, `berechnen` the same as computed positions of the copy in one statement
// (without it, a rule with `anpassen` goes record by record: the patients' counter and birthday
// key), and `mwst` the VAT code logged for every record.
struct Regel {
  int ab = 0;                        // the first position copied
  std::vector<int> ohneAngaben;      // a record with all of these blank is left out
  std::vector<int> nichtWahrFalsch;  // flags not True become False
  Status (*anpassen)(TTable& alt, TTable& neu) = nullptr;
  bool (*berechnen)(const TTable& alt, const TTable& neu, db::RecordCopy& kopie) = nullptr;
  const MwStRegel* mwst = nullptr;
};

Regel regelFuer(std::string_view datei, int n) {
  auto ist = [datei](const char* name) { return pf::equalsIgnoreCase(datei, name); };
  if (ist("Patienten.DB")) return {1, {1, 7, 8, 11, 12}, {26}, patientAnpassen};
  if (ist("ErfPosition.DB") && n == 30)
    return {0, {0}, {}, positionAnpassen, positionBerechnen, &kPositionMwSt};
  if (ist("ErfPosition.DB")) return {0, {0}, {}};
  if (ist("Leistungen.DB") && n == 19)
    return {0, {}, {}, leistungAnpassen, leistungBerechnen, &kLeistungMwSt};
  if (ist("ErfBeleg.DB")) return {0, {}, {48, 51, 52}};
  if (ist("Ann.DB")) return {0, {}, {}, annAnpassen, annBerechnen};
  return {};
}

// How a common position goes from the old record into the new one.
enum class Uebertrag : uint8_t {
  Zuweisen,  // TField::assign
  Kuerzen,   // into an alpha field that may be narrower than the value: cut, logged
  AusText,   // a text into a field that holds none: a blank one gives an empty field
};

std::vector<Uebertrag> uebertraege(TTable& alt, TTable& neu, int n) {
  std::vector<Uebertrag> u(static_cast<size_t>(n), Uebertrag::Zuweisen);
  for (int i = 0; i < n; ++i) {
    const TField& a = alt.fields(i);
    const TField& z = neu.fields(i);
    if (z.dataType() == db::FieldType::Alpha && (a.dataType() != db::FieldType::Alpha || a.size() > z.size()))
      u[static_cast<size_t>(i)] = Uebertrag::Kuerzen;
    else if (db::isTextType(a.dataType()) && !db::isTextType(z.dataType()))
      u[static_cast<size_t>(i)] = Uebertrag::AusText;
  }
  return u;
}

// Where a record is copied, for the log line of a cut text.
struct Stelle {
  const std::string& datei;
  int satz;
};

// The log line of a text longer than its new field; nullopt for one that fits.
std::optional<std::string> kuerzungZeile(const db::FieldDef& ziel, const std::string& text,
                                         const Stelle& wo) {
  if (pf::utf8Length(text) <= static_cast<size_t>(ziel.size)) return std::nullopt;
  return "Text gekürzt auf " + std::to_string(ziel.size) + " Zeichen - Satz: <" + std::to_string(wo.satz) +
         "> Feld: <" + ziel.name + "> <" + text + "> " + wo.datei;
}

Status feldUebertragen(Uebertrag u, TField& quelle, TField& ziel, const Stelle& wo) {
  switch (u) {
    case Uebertrag::Zuweisen:
      break;
    case Uebertrag::Kuerzen: {
      const std::string text = quelle.asString();
      RIVIZA_TRY(ziel.assign(quelle));
      if (const auto zeile = kuerzungZeile(ziel.def(), text, wo)) ReorgProtokoll(*zeile);
      return okStatus();
    }
    case Uebertrag::AusText:
      if (pf::trimView(quelle.asString()).empty()) return ziel.clear();
      break;
  }
  return ziel.assign(quelle);
}

bool ohneAngaben(const Regel& r, TTable& alt) {
  if (r.ohneAngaben.empty()) return false;
  for (int pos : r.ohneAngaben)
    if (!getrimmt(alt, pos).empty()) return false;
  return true;
}

// Whether the record was written (the rule may leave it out).
Result<bool> satzKopieren(const Regel& r, const std::vector<Uebertrag>& u, TTable& alt, TTable& neu,
                          const Stelle& wo) {
  if (ohneAngaben(r, alt)) return false;
  RIVIZA_TRY(neu.append());
  for (int i = r.ab; i < static_cast<int>(u.size()); ++i)
    RIVIZA_TRY(feldUebertragen(u[static_cast<size_t>(i)], alt.fields(i), neu.fields(i), wo));
  for (int pos : r.nichtWahrFalsch) RIVIZA_TRY(nichtWahrIstFalsch(neu, pos));
  if (r.anpassen) RIVIZA_TRY(r.anpassen(alt, neu));
  RIVIZA_TRY(neu.post());
  return true;
}

// The log lines the copy record by record writes as it goes (the texts cut to a shorter field,
// the VAT code of every record), as the copy in one statement notes each record it writes:
// positions to watch and the lines of one record from their stored values. They carry the
// time of the statement, taken once (LogZeile reads the clock and converts it to local time for
// every line), and wait in `zeilen` until the copy has succeeded.
void protokollieren(const Regel& r, const std::vector<Uebertrag>& u, TTable& alt, TTable& neu,
                    const std::string& datei, db::RecordCopy& kopie, std::vector<std::string>& zeilen) {
  std::vector<int> kuerzen;
  for (int i = r.ab; i < static_cast<int>(u.size()); ++i)
    if (u[static_cast<size_t>(i)] == Uebertrag::Kuerzen) kuerzen.push_back(i);
  if (kuerzen.empty() && !r.mwst) return;
  kopie.watched = kuerzen;
  if (r.mwst) kopie.watched.insert(kopie.watched.end(), {r.mwst->kennzeichen, r.mwst->nummer});
  const size_t mwst = kuerzen.size();
  kopie.each = [&r, &alt, &neu, &datei, &zeilen, kuerzen, mwst, kopf = LogZeile(""), kzPuffer = std::string(),
                nummerPuffer = std::string()](int satz, std::span<const db::Value> w) mutable -> Status {
    auto text = [&](size_t i) { return db::fieldText(alt.fields(kuerzen[i]).dataType(), w[i]); };
    for (size_t i = 0; i < kuerzen.size(); ++i)
      if (const auto zeile = kuerzungZeile(neu.fields(kuerzen[i]).def(), text(i), {datei, satz}))
        zeilen.push_back(kopf + *zeile);
    if (!r.mwst) return okStatus();
    // A stored text trimmed in place; any other value through its text (in `puffer`).
    auto getrimmtIn = [&](size_t i, int pos, std::string& puffer) -> std::string_view {
      const auto* gespeichert = std::get_if<std::string>(&w[i]);
      if (gespeichert && db::isTextType(alt.fields(pos).dataType())) return pf::trimView(*gespeichert);
      puffer = pf::trim(db::fieldText(alt.fields(pos).dataType(), w[i]));
      return puffer;
    };
    zeilen.push_back(mwstZeile(kopf, *r.mwst, getrimmtIn(mwst, r.mwst->kennzeichen, kzPuffer),
                               getrimmtIn(mwst + 1, r.mwst->nummer, nummerPuffer)));
    return okStatus();
  };
}

// The copy in one statement: the conversions of the common positions and the rule's computed
// positions inside its INSERT ... SELECT, and the log lines of the records it writes in
// `zeilen`; nullopt where it goes record by record: a rule without its computed form, a copy
// the table layer cannot do so, a record that breaks a key or holds a value that does not
// convert (the copy record by record names that record). Any other failure is the table's:
// done again it would fail again, and its reason would be lost.
Result<std::optional<int>> inEinemSchritt(const Regel& r, const std::vector<Uebertrag>& u, TTable& alt,
                                          TTable& neu, const std::string& datei, std::vector<std::string>& zeilen) {
  const int n = static_cast<int>(u.size());
  if (r.anpassen && !r.berechnen) return std::optional<int>();
  db::RecordCopy kopie{std::vector<int>(static_cast<size_t>(n), -1), r.nichtWahrFalsch, r.ohneAngaben, true};
  for (int i = r.ab; i < n; ++i) kopie.from[static_cast<size_t>(i)] = i;
  if (r.berechnen && !r.berechnen(alt, neu, kopie)) return std::optional<int>();
  protokollieren(r, u, alt, neu, datei, kopie, zeilen);
  const Result<int> geschrieben = neu.appendFrom(alt, kopie);
  if (geschrieben) return std::optional<int>(*geschrieben);
  zeilen.clear();
  const int code = geschrieben.error().code;
  if (code == db::kNotInOneStatement || code == db::kKeyViolation || code == db::kConversion)
    return std::optional<int>();
  return geschrieben.error();
}

// The count is of the records the new table holds; the records a rule leaves out are counted
// apart (the Windows program counted them as reorganised, and they vanished without a trace).
void zaehlen(int geschrieben, int uebergangen) {
  ReorgProtokoll("     " + std::to_string(geschrieben) + " Datensätze reorganisiert");
  if (uebergangen > 0) ReorgProtokoll("     " + std::to_string(uebergangen) + " Datensätze übergangen");
}

Error mitOrt(const Error& e, const std::string& wo) { return Error::make(e.code, wo + ": " + e.message); }

Result<Kopierweg> tabelleKopieren(TFormEinstellungen& f, TTable& alt, TTable& neu, const std::string& datei,
                                  Kopierweg weg) {
  RIVIZA_TRY(alt.setTableName(datei));
  RIVIZA_TRY(neu.setTableName(datei));
  RIVIZA_TRY(alt.open());
  RIVIZA_TRY(neu.emptyTable());
  RIVIZA_TRY(neu.open());
  const int n = std::min(alt.fieldCount(), neu.fieldCount());
  ReorgProtokoll(datei + " Anzahl der Felder: " + std::to_string(n));
  const Regel regel = regelFuer(datei, n);
  const std::vector<Uebertrag> uebertrag = uebertraege(alt, neu, n);
  std::vector<std::string> zeilen;
  const Result<std::optional<int>> einSchritt =
      weg == Kopierweg::Satzweise ? std::optional<int>() : inEinemSchritt(regel, uebertrag, alt, neu, datei, zeilen);
  if (!einSchritt) return einSchritt.error();
  if (const std::optional<int> kopiert = *einSchritt) {
    ui::TStrings& liste = f.ListBoxReorg->items();
    liste.beginUpdate();  // one change for the window
    for (std::string& zeile : zeilen) liste.add(std::move(zeile));
    liste.endUpdate();
    // The labels end where the record-by-record copy leaves them: on the last record.
    const int saetze = alt.recordCount();
    if (saetze > 0) {
      f.LabelReorg->setCaption(std::to_string(saetze));
      f.LabelDbSatz->setCaption(std::to_string(saetze));
    }
    pf::processMessages();
    zaehlen(*kopiert, saetze - *kopiert);
    return Kopierweg::EinSchritt;
  }
  int geschrieben = 0, uebergangen = 0;
  // One transaction on each side: the new table is written at once at the end, and the old one
  // is read under one lock instead of taking and checking it again for every record.
  auto lesen = alt.startTransaction();
  if (!lesen) return lesen.error();
  auto transaktion = neu.startTransaction();
  if (!transaktion) return transaktion.error();
  RIVIZA_TRY(alt.first());
  while (!alt.eof()) {
    const int satz = alt.recNo();
    f.LabelReorg->setCaption(std::to_string(satz));
    const Result<bool> kopiert = satzKopieren(regel, uebertrag, alt, neu, {datei, satz});
    if (!kopiert) return mitOrt(kopiert.error(), "Datensatz " + std::to_string(satz));
    ++(*kopiert ? geschrieben : uebergangen);
    RIVIZA_TRY(alt.next());
    f.LabelDbSatz->setCaption(std::to_string(alt.recNo()));
    pf::processMessages();
  }
  RIVIZA_TRY(transaktion->commit());
  RIVIZA_TRY(lesen->commit());  // nothing written: ends the read
  zaehlen(geschrieben, uebergangen);
  return Kopierweg::Satzweise;
}

}  // namespace

bool IstIndexDatei(std::string_view name, const std::vector<std::string>& tabellen) {
  const bool maske =
      pf::matchesMask(name, "*.p*") || pf::matchesMask(name, "*.x*") || pf::matchesMask(name, "*.y*");
  if (!maske) return false;
  const std::string_view basis = name.substr(0, name.rfind('.'));
  return std::any_of(tabellen.begin(), tabellen.end(), [&](const std::string& t) {
    return pf::equalsIgnoreCase(std::string_view(t).substr(0, t.rfind('.')), basis);
  });
}

void ReorgProtokoll(std::string_view meldung) {
  FormEinstellungen->ListBoxReorg->items().add(LogZeile(meldung));
}

Result<Kopierweg> TabelleReorganisieren(const std::string& datei, Kopierweg weg) {
  TFormEinstellungen& f = *FormEinstellungen;
  db::TTable& alt = *f.TableAlt;
  db::TTable& neu = *f.TableNeu;
  alt.close();
  neu.close();
  Result<Kopierweg> st = tabelleKopieren(f, alt, neu, datei, weg);
  alt.close();  // a failed copy rolls the new table back here
  neu.close();
  pf::processMessages();
  if (!st) return mitOrt(st.error(), "Tabelle " + datei);
  return st;
}

}  // namespace riviza
