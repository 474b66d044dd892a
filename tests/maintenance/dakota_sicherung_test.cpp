// "Datensicherung da&kota" on a Wine prefix with DAKOTA found in the registry: the three rows
// copied with everything in them into the year folder and the success message; a row whose
// target gets no ".txt" file, a row whose copy failed although an older ".txt" waits in the
// target, a row with a folder that cannot be read (DAKOTA's certificate) and a DAKOTA folder
// above the year folder, each reported once, in row order, naming what was not copied, while the
// other rows are still copied.
#include <algorithm>
#include <functional>

#include "platform/paths.h"
#include "sicherung_fixture.h"
#include "support/refused_opens.h"

namespace riviza::test {
namespace {

struct Quelle {
  const char* ordner;  // below the prefix's drive C:
  const char* ziel;    // below the year folder
  const char* text;    // the row's source as its message names it
};
const Quelle kQuellen[] = {
    {"windows/dakota_le", "Dakota_le", "C:\\windows\\dakota_le"},
    {"dakotale/Benutzer", "Dakotale", "C:\\dakotale\\Benutzer\\"},
    {"Programme/Dakotale", "Programme/Dakotale", "C:\\Programme\\Dakotale\\"},
};

class DakotaSicherung : public Sicherung {
 protected:
  fs::path laufwerkC() const { return prefix / "drive_c"; }

  // Each source with a .txt file, a sub-folder with a file, and an empty folder.
  void quellenAnlegen() {
    for (const Quelle& q : kQuellen) {
      fs::remove_all(laufwerkC() / q.ordner);
      fs::remove_all(jahrOrdner() / q.ziel);
      const std::string o = std::string("drive_c/") + q.ordner;
      prefix.write(o + "/liesmich.txt", std::string("DAKOTA ") + q.ordner + "\r\n");
      prefix.write(o + "/Daten/zertifikat.p7c", tabellenText(3000, 7));
      prefix.mkdir(o + "/Leer");
    }
    fs::remove_all(jahrOrdner() / "Programme");
  }
};

TEST_F(DakotaSicherung, EveryRowIsCopiedOrReportedOnItsOwn) {
  gestartet(true);
  ASSERT_TRUE(form->BitBtnDatensicherung->visible());
  struct Fall {
    const char* was;
    std::function<void(const fs::path& c, const fs::path& jahr)> stoeren;  // drive C:, the year
    std::vector<int> fehlerhaft;                                           // rows reported, in order
    std::string gesperrt = {};       // the path end the copy may not open
    std::vector<std::string> genannt = {};  // named by the failure message
    bool benutzerUeberJahr = false;  // DAKOTA's data folder is the data root, above the year
  };
  const Fall faelle[] = {
      {"all three rows", [](const fs::path&, const fs::path&) {}, {}},
      {"no .txt in the Windows folder's row",
       [](const fs::path& c, const fs::path&) { fs::remove(c / "windows/dakota_le/liesmich.txt"); },
       {0}},
      {"user folder missing, an older .txt in its target",
       [](const fs::path& c, const fs::path& jahr) {
         fs::remove_all(c / "dakotale/Benutzer");
         fs::create_directories(jahr / "Dakotale");
         writeNative(jahr / "Dakotale/alt.txt", "von gestern");
       },
       {1}},
      {"first and last rows missing",
       [](const fs::path& c, const fs::path&) {
         fs::remove_all(c / "windows/dakota_le");
         fs::remove_all(c / "Programme/Dakotale");
       },
       {0, 2}},
      {"the certificate folder cannot be read, a link leads back",
       [](const fs::path& c, const fs::path&) {
         fs::create_directories(c / "dakotale/Benutzer/Zertifikate");
         writeNative(c / "dakotale/Benutzer/Zertifikate/zert.txt", "z");
         fs::create_directory_symlink(".", c / "dakotale/Benutzer/Daten/Schleife");
       },
       {1},
       "/Benutzer/Zertifikate",
       {"Zertifikate", "Schleife"}},
      {"DAKOTA's data folder above the year folder",
       [](const fs::path&, const fs::path&) {},
       {1},
       "",
       {"das Ziel liegt im Quellordner"},
       true},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.was);
    quellenAnlegen();
    f.stoeren(laufwerkC(), jahrOrdner());
    dialogs.clear();
    const std::string benutzer = globals().DakotaBenutzerPfad;
    if (f.benutzerUeberJahr) globals().DakotaBenutzerPfad = globals().DatenPfad;
    {
      const ScopedRefusedOpens gestoert({f.gesperrt});
      form->BitBtnDatensicherung->click();
    }
    globals().DakotaBenutzerPfad = benutzer;

    const auto& gezeigt = dialogs.transcript();
    if (f.fehlerhaft.empty()) {
      EXPECT_EQ(texte(),
                std::vector<std::string>{"Dakota erfogreich gesichert  " + gezeigtImDaten("Abrechng/2024/")});
    } else {
      ASSERT_EQ(gezeigt.size(), f.fehlerhaft.size());
      for (size_t i = 0; i < gezeigt.size(); ++i) {
        EXPECT_EQ(gezeigt[i].kind, ui::DialogShown::Kind::ShowMessage);
        const std::string quelle = platform::displayPath(
            f.benutzerUeberJahr ? globals().DatenPfad : std::string(kQuellen[f.fehlerhaft[i]].text));
        EXPECT_TRUE(gezeigt[i].text.starts_with("Fehler beim Kopieren, " + quelle)) << gezeigt[i].text;
        for (const std::string& g : f.genannt) EXPECT_NE(gezeigt[i].text.find(g), std::string::npos) << g;
      }
    }
    EXPECT_FALSE(fs::exists(jahrOrdner() / "Dakotale/Zertifikate"));
    EXPECT_FALSE(fs::exists(jahrOrdner() / "Dakotale/Abrechng"));
    EXPECT_EQ(globals().FehlerAufgetreten, !f.fehlerhaft.empty());
    EXPECT_FALSE(form->LabelWarten->visible());
    for (int zeile = 0; zeile < 3; ++zeile) {
      const Quelle& q = kQuellen[zeile];
      if (std::find(f.fehlerhaft.begin(), f.fehlerhaft.end(), zeile) == f.fehlerhaft.end()) {
        EXPECT_EQ(CompareTrees(laufwerkC() / q.ordner, jahrOrdner() / q.ziel), "") << q.ziel;
      }
    }
  }
}

}  // namespace
}  // namespace riviza::test
