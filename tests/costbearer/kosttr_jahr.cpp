// The synthetic year of the table-rebuild tests; see kosttr_jahr.h.
#include "kosttr_jahr.h"

#include "app/allg_tools.h"
#include "fixtures.h"
#include "jahr_daten.h"
#include "platform/files.h"

namespace riviza::test {

namespace {

std::string datei(const std::vector<std::vector<std::string>>& kostentraeger) {
  std::vector<std::string> zeilen;
  for (const auto& k : kostentraeger)
    for (const std::string& z : message(k)) zeilen.push_back(z);
  return segmentFile(interchange(zeilen, "240301:1030"));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> KosttrJahr::kostentraegerDateien() {
  const std::string annahme = "VKG+03+109000001+5++07++++99'";  // data office, every region, group 99
  return {
      {"AO05Q124.ke0",
       datei({
           // the data office and its decryption office for region 02
           {"IDK+109000001+99+Datenannahme Süd'", "VKG+02+109000002+5++07++02++99'",
            "NAM+01+Datenannahme Süd GmbH'", "ANS+1+80331+München+Sendlinger Straße 1'"},
           // the paper office for invoices and cost estimates of group 21
           {"IDK+109100001+99+Papierannahme Mitte'", "NAM+01+Papierannahme+Mitte+Belegannahme'",
            "ANS+1+60311+Frankfurt+Zeil 5'"},
           // A: bills itself, name 1 = short name but for case
           {"IDK+101234561+99+AOK Bayern'", "VKG+01+101234561+5++07++++00'", annahme,
            "VKG+09+109100001+5++21++++21'", "VKG+09+109100001+5++27++++21'",
            "NAM+01+aok bayern+Die Gesundheitskasse'", "ANS+1+81739+München+Carl-Wery-Straße 28'"},
           // B: refers its billing to A
           {"IDK+101234572+99+Betriebskasse Ärzte'", "VKG+01+101234561+5++07++++00'", annahme,
            "NAM+01+BKK der Ärzte+Abteilung Süd'", "ANS+1+90402+Nürnberg+Königstraße 9'"},
           // C: no data office; D: an 18 IK
           {"IDK+101234583+99+Ohne Annahme'", "NAM+01+Ohne Annahme'", "ANS+1+10115+Berlin+Weg 1'"},
           {"IDK+181234594+99+Pflegekasse 18'", annahme, "NAM+01+Pflegekasse'", "ANS+1+10115+Berlin+Weg 2'"},
       })},
      {"EK05Q124.ke0", datei({
                           // T: a fund of another kind whose invoice office has no main line of that kind
                           {"IDK+102468001+99+Ersatzkasse Test'", "VKG+01+102468001+5++07++++00'", annahme,
                            "VKG+09+109100001+5++21++++21'", "NAM+01+Ersatzkasse+Landesvertretung'",
                            "ANS+1+20095+Hamburg+Markt 3'"},
                           {"IDK+101234561+99+AOK Bayern zweimal'", "VKG+01+101234561+5++07++++00'", annahme,
                            "NAM+01+AOK zweimal'", "ANS+1+81739+München+Anderswo 1'"},
                       })},
      {"AO03Q124.ke0",
       datei({
           {"IDK+102345671+99+Apothekenkasse Nord'", "VKG+01+102345671+5++07++++00'", annahme,
            "NAM+01+Apothekenkasse+Nord'", "ANS+1+24103+Kiel+Förde 1'"},
           // already a §302 cost bearer: no debtor
           {"IDK+101234561+99+AOK Bayern Apotheken'", "VKG+01+101234561+5++07++++00'", annahme,
            "NAM+01+AOK Apotheken'", "ANS+1+81739+München+Carl-Wery-Straße 28'"},
           // J, K, L: BARMER offices; K's paper office has no main line, L's is J
           {"IDK+103333331+99+BARMER Wuppertal'", "VKG+01+104940005+5++07++++00'",
            "NAM+01+BARMER+GS Wuppertal'", "ANS+1+42103+Wuppertal+Lichtscheid 1'"},
           {"IDK+103333342+99+BARMER Kiel'", "VKG+01+104940005+5++07++++00'", "VKG+04+109999999+5++07++++00'",
            "NAM+01+BARMER+GS Kiel'", "ANS+1+24103+Kiel+Holsten 2'"},
           {"IDK+103333353+99+BARMER Bonn'", "VKG+01+104940005+5++07++++00'", "VKG+04+103333331+5++07++++00'",
            "NAM+01+BARMER+GS Bonn'", "ANS+1+53111+Bonn+Markt 4'"},
           // M: institution type 04; N: only data offices of blanks
           {"IDK+105555551+04+Apotheke Art 04'", "NAM+01+Apotheke'", "ANS+1+10115+Berlin+Weg 3'"},
           {"IDK+106666661+99+Leere Annahme'", "VKG+03+         +5++07++++99'",
            "VKG+03+         +3++07++++99'", "NAM+01+Leer'", "ANS+1+10115+Berlin+Weg 4'"},
       })},
      {"AO06Q124.ke0",
       datei({
           {"IDK+101234561+99+AOK Bayern Pflege'", "NAM+01+AOK Pflegekasse'", "ANS+1+81739+München+Weg 5'"},
           // the same code as A under 18
           {"IDK+181234561+99+Pflegekasse Ärzte'", "NAM+01+Pflegekasse+der Ärzte'",
            "ANS+1+90402+Nürnberg+Weg 6'"},
           {"IDK+187777771+99+Pflegekasse Doppelt'", "NAM+01+Doppelt'", "ANS+1+01067+Dresden+Weg 7'"},
           {"IDK+601234561+99+Sonstige'", "NAM+01+Sonstige'", "ANS+1+01067+Dresden+Weg 8'"},
       })},
      {"EK06Q124.ke0", datei({{"IDK+187777771+99+Pflegekasse Doppelt Kopie'", "NAM+01+Kopie'",
                               "ANS+1+01067+Dresden+Weg 9'"}})},
  };
}

void KosttrJahr::starten(std::string_view firma, bool dateien) {
  dakota4();
  programmIni();
  jahr("2024", "[EINSTELLUNGEN]\r\nProgrammZugriff=\r\nVersion=" + DateiVersion("").substr(0, 3) +
                   "\r\n[FIRMA]\r\n" + std::string(firma));
  ASSERT_TRUE(platform::copyTree(imProgramm("LeerDaten"), jahrOrdner("Daten")).ok());
  if (dateien)
    for (const auto& [name, bytes] : kostentraegerDateien())
      daten.write("Abrechng/2024/Kosttr/" + name, bytes);
  // A branch office the service-centre table holds already.
  saetzeSchreiben(jahrOrdner("Daten"), "AdrDlz.DB", {{{"DlzId", "3333353"}, {"Name", "BARMER Bonn alt"}}});
  Shell::starten();
  ASSERT_EQ(globals().JahrPfad, "Abrechng\\2024\\");
}

std::vector<std::string> KosttrJahr::tabelle(std::string_view name) const {
  return saetze(jahrOrdner("Daten"), std::string(name));
}

std::vector<std::vector<std::string>> KosttrJahr::alleTabellen() const {
  std::vector<std::vector<std::string>> alle;
  for (const char* name : kTabellen) alle.push_back(tabelle(name));
  return alle;
}

}  // namespace riviza::test
