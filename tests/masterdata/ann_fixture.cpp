// The master-data scenario fixture; see ann_fixture.h.
#include "ann_fixture.h"

#include "forms/globals.h"
#include "jahr_daten.h"
#include "platform/codec.h"
#include "platform/files.h"

namespace riviza::test {
namespace {

std::string feld(std::string_view utf8, size_t breite) {
  std::string bytes = platform::fromUtf8(utf8, platform::CodePage::Windows1252);
  bytes.resize(breite, ' ');
  return bytes;
}

}  // namespace

costbearer::FixedColumns FakeAuskunft::adresse(costbearer::Basis basis, std::string_view ik) const {
  auto it = bloecke_.find({basis, std::string(ik)});
  return it == bloecke_.end() ? costbearer::FixedColumns() : costbearer::FixedColumns(it->second);
}

std::string adressblock(std::string_view kurz, std::string_view name, std::string_view plz,
                        std::string_view ort, std::string_view strasse, std::string_view name2) {
  return feld(kurz, 30) + feld(name, 30) + feld(plz, 5) + feld(ort, 25) + feld(strasse, 30) + feld("AO", 2) +
         feld("", 10) + feld(name2, 30);
}

AnnTab::AnnTab() {
  dakota4();
  programmIni();
  jahr("2024");
  programm.mkdir("Temp");
  starten();
  form->show();
}

AnnTab::~AnnTab() { adressen.reset(); }

void AnnTab::tabelle(const char* datei, const std::vector<Satz>& saetze, std::string ordner) {
  if (ordner.empty()) ordner = jahrDatenPfad();
  const std::string ziel = ordner + "\\" + datei;
  if (!platform::fileExists(ziel)) {
    ASSERT_TRUE(platform::forceDirectories(ordner).ok());
    ASSERT_TRUE(platform::copyFile(imProgramm(std::string("LeerDaten\\") + datei), ziel).ok());
  }
  std::vector<Felder> felder;
  for (const Satz& satz : saetze) felder.emplace_back(satz.begin(), satz.end());
  saetzeSchreiben(ordner, datei, felder);
}

std::vector<Satz> AnnTab::gespeichert(const char* datei, std::string ordner) const {
  db::TTable t;
  std::vector<Satz> out;
  if (!t.setDatabaseName(ordner.empty() ? jahrDatenPfad() : ordner).ok() || !t.setTableName(datei).ok() ||
      !t.open().ok())
    return out;
  for (Status st = t.first(); st.ok() && !t.eof(); st = t.next()) {
    Satz satz;
    for (int i = 0; i < t.fieldCount(); ++i) satz[t.fields(i).fieldName()] = t.fields(i).asString();
    out.push_back(std::move(satz));
  }
  return out;
}

void AnnTab::zeigen(ui::TTabSheet* seite) {
  form->PageControl1->setActivePage(seite ? seite : form->TabSheet9);
}

TFormAdressen& AnnTab::picker() {
  if (!adressen) adressen = std::make_unique<TFormAdressen>();
  return *adressen;
}

bool AnnTab::taste(ui::TWinControl& control, std::uint16_t key) {
  const auto action = control.reachForAction();
  return action && control.keyDown(key);
}

}  // namespace riviza::test
