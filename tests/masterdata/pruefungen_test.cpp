// The master-data checks and lookups on their values alone: what a save refuses and why, which
// cost-bearer table answers for an office, the funds' office filter and the service providers'
// folder, with no control, form handler or global state taking part.
#include <gtest/gtest.h>

#include <functional>

#include "ann_fixture.h"
#include "forms/globals.h"
#include "masterdata/stammdaten.h"
#include "masterdata/stammdaten_pruefungen.h"
#include "platform/text.h"

namespace riviza::test {
namespace {

using costbearer::Basis;

// "" for a passed check, else the text the user is shown; a refusal of another code says so.
std::string urteil(const Status& s) {
  if (s.ok()) return "";
  return s.error().code == kAbgelehnt ? s.error().message : "Code " + std::to_string(s.error().code);
}

std::string anschrift(const std::optional<AnnAnschrift>& a) {
  if (!a) return "keine";
  return a->name + "|" + a->name2 + "|" + a->strasse + "|" + a->plz + "|" + a->ort;
}

std::string paragraph(std::optional<Basis> b) {
  if (!b) return "keiner";
  return *b == Basis::S302 ? "302" : *b == Basis::S105 ? "105" : "300";
}

TEST_F(AnnTab, TheChecksAndLookupsAnswerOnTheirValuesAlone) {
  auskunft.setze(Basis::S300, "109900001", adressblock("Kurz 300", "Annahme 300", "24103", "Kiel", "Weg 1"));
  auskunft.setze(Basis::S302, "109900002",
                 adressblock("Kurz 302", "  Annahme 302  ", "89073", "Ulm", "Weg 2", "Datenstelle"));
  tabelle("AdrAnn.DB", {{{"Ik", "109900001"}, {"Name", "Annahme Nord"}}});
  db::TTable adressen;
  ASSERT_TRUE(openTable(adressen, jahrDatenPfad(), "AdrAnn.DB").ok());
  const TempDir andere;
  const auto leOrdner = [&](const std::string& ini) {
    iniSchreiben(andere, "Abrechng.ini", ini);
    return leOrdnerFinden(andere.str());
  };
  const std::string wurzel = "[EINSTELLUNGEN]\r\nBüroWARE=" + daten.str() + "\r\n";
  const std::string adresseAbgelehnt =
      "Die Adresse wurde nicht gespeichert: sie braucht eine IK mit 9 Stellen und einen Namen.";
  const std::string annAbgelehnt =
      "Die Annahmestelle wurde nicht gespeichert: die IK des Kostenträgers braucht 9 Stellen "
      "und einen Namen aus den Kostenträgerdateien.";
  struct Fall {
    const char* was;
    std::function<std::string()> frage;
    std::string erwartet;
  };
  const Fall faelle[] = {
      {"office with a cost bearer and its name",
       [] { return urteil(annahmestellePruefen("101234561", "AOK")); }, ""},
      {"office with an 8-digit cost bearer", [] { return urteil(annahmestellePruefen("10123456", "AOK")); },
       annAbgelehnt},
      {"office without a name", [] { return urteil(annahmestellePruefen("101234561", "  ")); }, annAbgelehnt},
      {"a nine-character IK counts characters, not bytes",
       [] { return urteil(annahmestellePruefen("10123456ä", "AOK")); }, ""},
      {"address with IK and name", [] { return urteil(annAdressePruefen("109900003", "Annahme")); }, ""},
      {"address with a 10-digit IK", [] { return urteil(annAdressePruefen("1099000031", "Annahme")); },
       adresseAbgelehnt},
      {"address without a name", [] { return urteil(annAdressePruefen("109900003", "")); }, adresseAbgelehnt},
      {"picker: a new IK", [&] { return urteil(adressenIkPruefen(adressen, "109900003")); }, ""},
      {"picker: the IK of the current record being changed",
       [&] { return urteil(adressenIkPruefen(adressen, "109900001")); }, ""},
      {"picker: a short IK", [&] { return urteil(adressenIkPruefen(adressen, "1099")); },
       "Die Adresse wurde nicht gespeichert: die IK der Annahmestelle braucht 9 Stellen."},
      {"picker: a new record for a stored IK",
       [&] {
         if (!adressen.insert().ok()) return std::string("insert failed");
         std::string u = urteil(adressenIkPruefen(adressen, "109900001"));
         adressen.cancel();
         return u;
       },
       "Die Adresse wurde nicht gespeichert: die IK 109900001 ist schon eingetragen."},
      {"§302 cost bearer", [] { return paragraph(verordnungsParagraph("101234561")); }, "302"},
      {"§105 cost bearer", [] { return paragraph(verordnungsParagraph("181234561")); }, "105"},
      {"other prefix", [] { return paragraph(verordnungsParagraph("121234561")); }, "keiner"},
      {"no IK", [] { return paragraph(verordnungsParagraph("")); }, "keiner"},
      {"§300 office from the §300 table", [] { return anschrift(annAnschriftAusKosttr("109900001", "300")); },
       "Annahme 300||Weg 1|24103|Kiel"},
      {"§105 office from the §302 table", [] { return anschrift(annAnschriftAusKosttr("109900002", "105")); },
       "Annahme 302|Datenstelle|Weg 2|89073|Ulm"},
      {"§302 office the §302 table lacks",
       [] { return anschrift(annAnschriftAusKosttr("109900001", "302")); }, "keine"},
      {"office of no kind", [] { return anschrift(annAnschriftAusKosttr("109900001", "")); }, "keine"},
      {"name from the first lookup that knows the IK",
       [] {
         const Basis folge[] = {Basis::S105, Basis::S302};
         return platform::trim(nameFromLookups(folge, "109900002")).substr(0, 8);
       },
       "Kurz 302"},
      {"fund with an office", [] { return kasBueroFilter(" 109900001 ", "AOK"); },
       "Ik = '109900001*'AND KassenArt = 'AOK*'"},
      {"fund without an office admits none", [] { return kasBueroFilter("  ", "AOK"); }, "Ik ="},
      {"service providers of the current year", [&] { return leOrdner(wurzel + "AktuellesJahr=2024\r\n"); },
       daten.str() + "\\Abrechng\\2024\\Daten"},
      {"a year without its folder: the flat layout",
       [&] { return leOrdner(wurzel + "AktuellesJahr=1999\r\n"); }, daten.str() + "\\Abrechng\\Daten"},
      {"no data root", [&] { return leOrdner("[EINSTELLUNGEN]\r\nAktuellesJahr=2024\r\n"); }, ""},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    EXPECT_EQ(f.frage(), f.erwartet);
  }
  EXPECT_TRUE(dialogs.transcript().empty());
}

}  // namespace
}  // namespace riviza::test
