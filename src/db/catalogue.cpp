// The catalogue of every table (db layer); see catalogue.h. One row per named position; the
// `fixedBy` text says which routine's use fixes it, so a change here can be checked against
// the routine that depends on it.
#include "db/catalogue.h"

#include <array>

#include "platform/codec.h"
#include "platform/text.h"

namespace riviza::db {
namespace {

constexpr FieldType A = FieldType::Alpha;
constexpr FieldType N = FieldType::Number;
constexpr FieldType M = FieldType::Money;
constexpr FieldType S = FieldType::Short;
constexpr FieldType I = FieldType::LongInt;
constexpr FieldType Inc = FieldType::AutoInc;
constexpr FieldType L = FieldType::Logical;
constexpr FieldType D = FieldType::Date;

constexpr const char* kOfficeTab = "acceptance-office tab; the address picker writes 2..18 by position";
constexpr const char* kAddresses = "acceptance-office addresses and the address picker";
constexpr const char* kCostBearer = "cost-bearer rebuild (by position) and debtor export (by name)";
constexpr const char* kFunds = "fund-table rebuild (by position)";
constexpr const char* kFundLinks = "fund link rebuild (by position) and funds tab (by name)";

constexpr std::array kAnn{
    CatalogueField{0, "Kostentraeger", A, 9, "acceptance-office tab; reorganisation widens 7 to 9 digits"},
    CatalogueField{1, "NameKostentraeger", A, 30, kOfficeTab},
    CatalogueField{2, "Rechnungen300", A, 9, kOfficeTab},
    CatalogueField{3, "NameRechnungen300", A, 30, kOfficeTab},
    CatalogueField{4, "Verordnungen300", A, 9, kOfficeTab},
    CatalogueField{5, "NameVerordnungen300", A, 30, kOfficeTab},
    CatalogueField{6, "ImageDateien", A, 9, kOfficeTab},
    CatalogueField{7, "NameImageDateien", A, 30, kOfficeTab},
    CatalogueField{8, "Rechnungen302", A, 9, kOfficeTab},
    CatalogueField{9, "NameRechnungen302", A, 30, kOfficeTab},
    CatalogueField{10, "Verordnungen302", A, 9, kOfficeTab},
    CatalogueField{11, "NameVerordnungen302", A, 30, kOfficeTab},
    CatalogueField{12, "Kostenvoranschläge", A, 9, kOfficeTab},
    CatalogueField{13, "Name Kostenvoranschläge", A, 30, kOfficeTab},
    CatalogueField{14, "Rechnungen300Pat", A, 9, kOfficeTab},
    CatalogueField{15, "NameRechnungen300Pat", A, 30, kOfficeTab},
    CatalogueField{16, "Verordnungen300Pat", A, 9, kOfficeTab},
    CatalogueField{17, "NameVerordnungen300Pat", A, 30, kOfficeTab},
    CatalogueField{18, "ImageDateienPat", A, 9, kOfficeTab},
    CatalogueField{19, "NameImageDateienPat", A, 30, kOfficeTab},
    CatalogueField{20, "Debitor", A, 10, kOfficeTab},
    CatalogueField{21, "NettoTage", A, 3, kOfficeTab},
    CatalogueField{22, "SkontoTage", A, 3, kOfficeTab},
    CatalogueField{23, "Skonto%", N, 0, kOfficeTab},
    CatalogueField{24, "FaktorImages", N, 0, kOfficeTab},
    CatalogueField{25, "Rechnung mit PaketNr.", L, 0, kOfficeTab},
    CatalogueField{26, "SaRe mit PaketNr.", L, 0, kOfficeTab},
};

constexpr std::array kAdrAnn{
    CatalogueField{0, "Ik", A, 9, kAddresses},
    CatalogueField{1, "Name", A, 30, kAddresses},
    CatalogueField{2, "Name2", A, 30, kAddresses},
    CatalogueField{3, "Strasse", A, 30, kAddresses},
    CatalogueField{4, "Plz", A, 8, kAddresses},
    CatalogueField{5, "Ort", A, 30, kAddresses},
    CatalogueField{6, "IkTatsaechlich", A, 9, kAddresses},
};

constexpr const char* kDlz = "service-centre tab; fund rebuild adds branch offices (0..5)";
constexpr std::array kAdrDlz{
    CatalogueField{0, "DlzId", A, 9, kDlz},
    CatalogueField{1, "Name", A, 30, kDlz},
    CatalogueField{2, "Name2", A, 30, kDlz},
    CatalogueField{3, "Strasse", A, 30, kDlz},
    CatalogueField{4, "Plz", A, 8, kDlz},
    CatalogueField{5, "Ort", A, 30, kDlz},
    CatalogueField{6, "Telefon", A, 20, kDlz},
    CatalogueField{7, "Ansprechpartner", A, 20, kDlz},
    CatalogueField{8, "DruckDlz", L, 0, kDlz},
};

constexpr const char* kLeForm = "service-provider form";
constexpr std::array kLe{
    CatalogueField{0, "Nummer", A, 9, kLeForm},
    CatalogueField{1, "Suchen", A, 10, kLeForm},
    CatalogueField{2, "Name", A, 30, kLeForm},
    CatalogueField{3, "Name2", A, 30, kLeForm},
    CatalogueField{4, "Strasse", A, 30, kLeForm},
    CatalogueField{5, "PlzOrt", A, 40, kLeForm},
    CatalogueField{6, "SteuerNummer", A, 20, kLeForm},
    CatalogueField{7, "NettoTage", A, 2, kLeForm},
    CatalogueField{8, "SkontoTage", A, 2, kLeForm},
    CatalogueField{9, "SkontoProzent", A, 5, kLeForm},
    CatalogueField{10, "Bank", A, 30, kLeForm},
    CatalogueField{11, "KontoNummer", A, 20, kLeForm},
    CatalogueField{12, "Blz", A, 20, kLeForm},
    CatalogueField{13, "LfdBelNr", N, 0, kLeForm},
    CatalogueField{14, "UstAusweisen", L, 0, kLeForm},
    CatalogueField{15, "UstBefreiung", L, 0, kLeForm},
    CatalogueField{16, "AbrechnungsCode", A, 2, kLeForm},
    CatalogueField{17, "IBAN", A, 40, kLeForm},
    CatalogueField{18, "BIC", A, 20, kLeForm},
};

constexpr std::array kKosttr{
    CatalogueField{0, "IK", A, 9, kCostBearer},
    CatalogueField{1, "Kurz", A, 30, kCostBearer},
    CatalogueField{2, "Name1", A, 30, kCostBearer},
    CatalogueField{3, "Name2", A, 30, kCostBearer},
    CatalogueField{4, "Strasse", A, 30, kCostBearer},
    CatalogueField{5, "Plz", A, 8, kCostBearer},
    CatalogueField{6, "Ort", A, 30, kCostBearer},
    CatalogueField{7, "Art", A, 5, kCostBearer},
};

constexpr std::array kKassen{
    CatalogueField{0, "IK", A, 9, kFunds},
    CatalogueField{1, "Kurz", A, 30, kFunds},
    CatalogueField{2, "Name1", A, 30, kFunds},
    CatalogueField{3, "Name2", A, 30, kFunds},
    CatalogueField{4, "Strasse", A, 30, kFunds},
    CatalogueField{5, "Plz", A, 8, kFunds},
    CatalogueField{6, "Ort", A, 30, kFunds},
    CatalogueField{7, "Art", A, 5, kFunds},
    CatalogueField{8, "Kostenträger", A, 9, kFunds},
};

constexpr std::array kKas{
    CatalogueField{0, "KasIk", A, 9, kFundLinks},
    CatalogueField{1, "Art", A, 5, "fund link rebuild; funds tab reads position 1"},
    CatalogueField{2, "KasDatei", A, 3, kFundLinks},
    CatalogueField{3, "KasKurz", A, 30, kFundLinks},
    CatalogueField{4, "KostIk", A, 9, kFundLinks},
    CatalogueField{5, "KostKurz", A, 30, kFundLinks},
    CatalogueField{6, "AnKostvorIk", A, 9, "fund link rebuild; funds tab reads position 6"},
    CatalogueField{7, "AnKostvorKurz", A, 30, kFundLinks},
    CatalogueField{8, "AnRechIk", A, 9, kFundLinks},
    CatalogueField{9, "AnRechKurz", A, 30, kFundLinks},
    CatalogueField{10, "AnVerordIk", A, 9, kFundLinks},
    CatalogueField{11, "AnVerordKurz", A, 30, kFundLinks},
    CatalogueField{12, "AnImageIk", A, 9, kFundLinks},
    CatalogueField{13, "AnImageKurz", A, 30, kFundLinks},
    CatalogueField{14, "AnDatOhneIk", A, 9, kFundLinks},
    CatalogueField{15, "AnDatOhneKurz", A, 30, kFundLinks},
    CatalogueField{16, "AnDatMitIk", A, 9, kFundLinks},
    CatalogueField{17, "AnDatMitKurz", A, 30, kFundLinks},
};

constexpr std::array kKasAdrAnn{
    CatalogueField{0, "Ik", A, 9, kFundLinks},
    CatalogueField{1, "KurzName", A, 30, kFundLinks},
    CatalogueField{2, "Name1", A, 30, kFundLinks},
    CatalogueField{3, "Name2", A, 30, kFundLinks},
    CatalogueField{4, "Name3", A, 30, kFundLinks},
    CatalogueField{5, "Strasse", A, 30, kFundLinks},
    CatalogueField{6, "Plz", A, 8, kFundLinks},
    CatalogueField{7, "Ort", A, 30, kFundLinks},
    CatalogueField{8, "KassenArt", A, 5, kFundLinks},
    CatalogueField{9, "KassenDatei", A, 3, kFundLinks},
};

constexpr const char* kVat = "VAT rewrite of unbilled vouchers";
constexpr const char* kCensus = "census statistics";
constexpr std::array kErfBeleg{
    CatalogueField{0, "BelegNummer", A, 10, "billing years, VAT rewrite, census (text)"},
    CatalogueField{1, "BelegDatum", D, 0, "billing years (read as dd.MM.yyyy), census"},
    CatalogueField{3, "KV Nummer", A, 20, kCensus},
    CatalogueField{4, "Versichertenstatus", A, 10, kCensus},
    CatalogueField{6, "Verordnungsdatum", D, 0, kCensus},
    CatalogueField{14, "GesBrutto", M, 0, kVat},
    CatalogueField{15, "GesZuzahlung", M, 0, kVat},
    CatalogueField{16, "PauschalerZuzahlbetrag", M, 0, kVat},
    CatalogueField{19, "Geburtsdatum", A, 10, "census: text checked for a valid date"},
    CatalogueField{48, "Erledigt", L, 0, "reorganisation"},
    CatalogueField{51, "KassenNrDrucken", L, 0, "reorganisation"},
    CatalogueField{52, "KeineDatenannahme", L, 0, "reorganisation"},
    CatalogueField{56, "MaenWeiblich", A, 1, kCensus},
    CatalogueField{57, "Verarbeitet", S, 0,
                   "our choice: named without position by the filter \"Verarbeitet = 0\"; "
                   "a number (0 = not billed) after the named positions"},
};

constexpr std::array kErfPosition{
    CatalogueField{0, "BelegNummer", A, 10, "billing years (filter), census, reorganisation"},
    CatalogueField{2, "HM Nummer", A, 10, "VAT rewrite, census"},
    CatalogueField{4, "Anzahl", N, 0, kVat},
    CatalogueField{5, "Einzelbetrag", M, 0, kVat},
    CatalogueField{9, "Zuzahlung", M, 0, kVat},
    CatalogueField{10, "MwSt Kennzeichen", A, 1, "VAT rewrite, reorganisation"},
    CatalogueField{11, "MwSt Satz", N, 0, kVat},
    CatalogueField{13, "GesNetto", M, 0, kVat},
    CatalogueField{14, "KzZUZ", A, 1, kVat},
    CatalogueField{15, "KzZuzahlberechnung", A, 1, kVat},
    CatalogueField{16, "PauschalerZuzahlbetrag", M, 0,
                   "our choice: the positions carry a field of this name without a position"},
    CatalogueField{17, "BetragEigenanteil", M, 0, kVat},
    CatalogueField{18, "Versorgungszeitraum", A, 20, kVat},
    CatalogueField{20, "GesBrutto", M, 0, kVat},
    CatalogueField{21, "Pharmazentralnummer", A, 10, kVat},
    CatalogueField{23, "PosNr", S, 0, kVat},
    CatalogueField{30, "NettoJN", L, 0, "reorganisation: net flag after 30 older fields"},
};

constexpr std::array kPatienten{
    CatalogueField{0, "PatientenNr", Inc, 0,
                   "reorganisation leaves position 0 to the new table: a counter; name ours"},
    CatalogueField{16, "Geburtsdatum", D, 0,
                   "reorganisation reads the birth date here; name ours"},
    CatalogueField{17, "GueltigBis", I, 0,
                   "our choice: the patient export filters \"GueltigBis < 903\" (yyMM)"},
    CatalogueField{26, "Zuzahlungsbefreit", L, 0,
                   "co-payment reset and reorganisation; name ours"},
    CatalogueField{33, "GeburtstagSchluessel", S, 0,
                   "reorganisation writes month*100+day; name ours"},
};

constexpr const char* kImport = "service-list import; name ours";
constexpr std::array kLeistungen{
    CatalogueField{0, "Schluessel", A, 20, kImport},
    CatalogueField{1, "Leistungstext", A, 60, kImport},
    CatalogueField{2, "LeistungsNr", A, 10, "reorganisation logs it; name ours"},
    CatalogueField{3, "MwSt Kennzeichen", A, 1, "service-list import, reorganisation"},
    CatalogueField{18, "Pharmazentralnummer", A, 8, "service-list import (8 characters), PZN widening"},
    CatalogueField{19, "NettoJN", L, 0, "service-list import, reorganisation: net flag after 19 older fields"},
};

constexpr const char* kStat = "census work table: eight fields in this order, the first Schluessel";
constexpr std::array kStat01{
    CatalogueField{0, "Schluessel", A, 40, kStat},
    CatalogueField{1, "Art", A, 1, kStat},
    CatalogueField{2, "Geschlecht", A, 1, kStat},
    CatalogueField{3, "KV Nummer", A, 20, kStat},
    CatalogueField{4, "Versichertenstatus", A, 10, kStat},
    CatalogueField{5, "Verordnungsdatum", A, 10, kStat},
    CatalogueField{6, "Alter", S, 0, kStat},
    CatalogueField{7, "Geburtsdatum", A, 10, kStat},
};

constexpr std::array kArzt{
    CatalogueField{0, "Nummer", A, 9, "doctor numbers widened from 7 to 9 digits"},
};

constexpr std::span<const CatalogueField> kNone{};

constexpr const char* kNoKey = "no key: the routines store duplicates and empty values as entered";

const std::array kCatalogue{
    CatalogueTable{"Ann.DB", 27, 1, kAnn,
                   "keyed on Kostentraeger: one record per cost bearer; a second one is a key "
                   "violation the tab reports"},
    CatalogueTable{"AdrAnn.DB", 7, 0, kAdrAnn, kNoKey},
    CatalogueTable{"AdrDlz.DB", 9, 0, kAdrDlz, kNoKey},
    CatalogueTable{"Le.DB", 19, 0, kLe, kNoKey},
    CatalogueTable{"Kosttr.db", 8, 0, kKosttr,
                   "no key: a cost bearer found in two files must not stop the rebuild"},
    CatalogueTable{"Kosttr300.db", 8, 0, kKosttr, "same structure as Kosttr.db"},
    CatalogueTable{"Kosttr105.db", 8, 0, kKosttr, "same structure as Kosttr.db; IK holds 9 digits"},
    CatalogueTable{"Kassen.db", 9, 0, kKassen, kNoKey},
    CatalogueTable{"Kassen300.db", 9, 0, kKassen, "same structure as Kassen.db"},
    CatalogueTable{"Kassen105.db", 9, 0, kKassen, "same structure as Kassen.db"},
    CatalogueTable{"Kas.db", 18, 0, kKas, kNoKey},
    CatalogueTable{"KasAdrAnn.db", 10, 0, kKasAdrAnn, kNoKey},
    CatalogueTable{"ErfBeleg.DB", 58, 0, kErfBeleg,
                   "no key: vouchers without a number exist (the census skips them)"},
    CatalogueTable{"ErfPosition.DB", 31, 0, kErfPosition,
                   "31 fields, so an older 30-field table gets the net-flag conversion"},
    CatalogueTable{"Aufstellung.DB", 4, 0, kNone, "no field is named: placeholders only"},
    CatalogueTable{"ImageAufstellung.DB", 4, 0, kNone, "no field is named: placeholders only"},
    CatalogueTable{"Patienten.DB", 34, 0, kPatienten,
                   "position 16 is the birth date as the reorganisation (which writes the table) "
                   "reads it; the patient export's title \"Gültig bis\" over the 17th column "
                   "falls on it, GueltigBis is position 17 (the 18th column); positions 1, 7, 8, "
                   "11 and 12, which the reorganisation tests for content, are text placeholders"},
    CatalogueTable{"Leistungen.DB", 20, 0, kLeistungen,
                   "20 fields, so an older 19-field table gets the net-flag conversion; positions "
                   "11, 16 and 17, which the import writes as text, are text placeholders"},
    CatalogueTable{"Stat01.DB", 8, 1, kStat01,
                   "keyed on Schluessel: the census adds each key once and catches a failed add"},
    CatalogueTable{"Stat02.DB", 8, 1, kStat01, "only its existence is tested; as Stat01.DB"},
    CatalogueTable{"Firma.DB", 4, 0, kNone,
                   "no field is named; exported whole into A1:Z10, so fewer than 26 fields"},
    CatalogueTable{"Arzt.DB", 4, 0, kArzt, "position 0 only is named"},
};

}  // namespace

std::span<const CatalogueTable> catalogue() { return kCatalogue; }

const CatalogueTable* findCatalogueTable(std::string_view fileName) {
  for (const CatalogueTable& t : kCatalogue)
    if (platform::equalsIgnoreCase(t.fileName, fileName)) return &t;
  return nullptr;
}

std::string placeholderName(int position) { return "Feld" + platform::zeroPadded(position, 2); }

TableStructure structureOf(const CatalogueTable& table) {
  TableStructure s;
  s.keyFieldCount = table.keyFieldCount;
  for (int pos = 0; pos < table.fieldCount; ++pos) s.fields.push_back({placeholderName(pos), A, 30});
  for (const CatalogueField& f : table.named)
    s.fields[static_cast<size_t>(f.position)] = {f.name, f.type, f.type == A ? f.size : 0};
  return s;
}

}  // namespace riviza::db
