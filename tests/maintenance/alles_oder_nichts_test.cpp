// Every operation of the settings form that changes more than one file, all or nothing: each is
// run once to count the steps that change files (stoerung.h: the platform's system calls and
// SQLite's file methods), then once with each step failing, and once with the process killed
// at each rename (a forked child). After each run and the next start (which finishes or undoes
// what a killed run left), every file of the data root and the program folder is byte for byte
// as before the operation or as after a run without failure, never a mixture; a run that
// reported success left the latter. Not compared: Temp, the logs, a reorganisation's dated
// backup, and the program-access lock's line (the lock protocol's, written around the
// operation); a table's hot journal counts as the file it restores (every table is opened
// before the comparison, as any later use would, which plays it back), and a journal SQLite
// does not play back (a process killed before its transaction wrote the table) is not compared:
// every reader ignores it and the next write replaces it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "app/vorgang.h"
#include "db/catalogue.h"
#include "forms/Riviza1_jahre.h"
#include "forms/Riviza1_settings.h"
#include "forms/update_tabellen.h"
#include "jahr_daten.h"
#include "kosttr_jahr.h"
#include "maintenance/reorganisation.h"
#include "maintenance/update_installation.h"
#include "platform/codec.h"
#include "platform/paths.h"
#include "stoerung.h"
#include "support/http_server.h"
#include "support/trees.h"

namespace riviza::test {
namespace {

namespace fs = std::filesystem;

class AllesOderNichts : public KosttrJahr {
 protected:
  using Stand = std::map<std::string, std::string>;

  struct Vorgang {
    const char* name;
    std::function<void(AllesOderNichts&)> aufbauen;  // the folders before the operation
    std::function<bool(AllesOderNichts&)> lauf;      // the operation, true when it reported success
  };

  // Every file below both folders as compared (see the file's comment).
  Stand stand() {
    for (const fs::path& wurzel : {daten.path(), programm.path()}) {
      std::error_code ec;
      for (auto it = fs::recursive_directory_iterator(wurzel, ec); it != fs::recursive_directory_iterator();
           it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file() && (it->path().extension() == ".db" || it->path().extension() == ".DB")) {
          db::TTable t;
          Status st = t.setDatabaseName(platform::pathText(it->path().parent_path()));
          if (st) st = t.setTableName(name);
          if (st) st = t.open();
          EXPECT_TRUE(st.ok()) << st.error().message;
          t.close();
        }
      }
    }
    Stand s;
    for (const auto& [wurzel, vorn] : {std::pair{daten.path(), "daten/"}, std::pair{programm.path(), "programm/"}}) {
      for (auto it = fs::recursive_directory_iterator(wurzel); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = vorn + fs::relative(it->path(), wurzel).generic_string();
        if (rel == "programm/Temp" || rel.ends_with("REORG.LOG") || rel.ends_with("UPDATE.LOG") ||
            rel.ends_with("Abrechng/2024/20240315") || rel.ends_with("-journal")) {
          it.disable_recursion_pending();
          continue;
        }
        if (it->is_directory()) {
          s[rel + "/"] = "";
          continue;
        }
        std::string bytes = readNative(it->path());
        if (platform::toLowerAscii(rel).ends_with(".ini")) {
          std::string ohne;
          for (size_t at = 0; at < bytes.size();) {
            size_t ende = bytes.find('\n', at);
            ende = ende == std::string::npos ? bytes.size() : ende + 1;
            if (bytes.compare(at, 16, "ProgrammZugriff=") != 0) ohne += bytes.substr(at, ende - at);
            at = ende;
          }
          bytes = ohne;
        }
        s[rel] = Fingerprint(bytes);
      }
    }
    return s;
  }

  // Both folders as they were saved in `kopie`.
  void zuruecksetzen(const fs::path& kopie) {
    for (const auto& [wurzel, name] : {std::pair{daten.path(), "daten"}, std::pair{programm.path(), "programm"}}) {
      for (const auto& e : fs::directory_iterator(wurzel)) fs::remove_all(e.path());
      fs::copy(kopie / name, wurzel, fs::copy_options::recursive);
    }
  }
  void sichern(const fs::path& kopie) {
    fs::create_directories(kopie);
    fs::copy(daten.path(), kopie / "daten", fs::copy_options::recursive);
    fs::copy(programm.path(), kopie / "programm", fs::copy_options::recursive);
  }
  // The program started afresh on the folders, as the user starts it again.
  void neuerStart() {
    if (form) form->close();  // as the program ends: the year's lock released
    neuesProgramm();
    Shell::starten();
  }

  // The state before and after a good run of `v`, and how many steps of the kinds `arten` it
  // makes. The folders are left as before.
  struct Messung {
    Stand vorher, nachher;
    int schritte = 0;
  };
  Messung messen(const Vorgang& v, const fs::path& kopie, unsigned arten) {
    for (const fs::path& wurzel : {daten.path(), programm.path()})
      for (const auto& e : fs::directory_iterator(wurzel)) fs::remove_all(e.path());
    programmVorlagen(programm);
    neuesProgramm();
    v.aufbauen(*this);
    form->close();  // the year's lock released, as the program ends
    sichern(kopie);
    neuerStart();
    Messung m;
    m.vorher = stand();
    neuerStart();
    {
      Schritte zaehlen(0, arten);
      EXPECT_TRUE(v.lauf(*this)) << testing::PrintToString(texte());
      m.schritte = zaehlen.anzahl();
    }
    neuerStart();
    m.nachher = stand();
    EXPECT_NE(m.nachher, m.vorher);
    zuruecksetzen(kopie);
    return m;
  }

  // What the folders hold after a run: the state before (and the run said it failed) or after.
  void ganzOderGarNicht(const Messung& m, bool erfolg, const std::string& schritt) {
    SCOPED_TRACE(schritt);
    const Stand jetzt = stand();
    if (jetzt == m.nachher) return;
    EXPECT_FALSE(erfolg) << "success reported, but the files are not the new ones";
    EXPECT_TRUE(jetzt == m.vorher) << "differs from before: " << unterschiede(jetzt, m.vorher)
                                   << "\ndiffers from after: " << unterschiede(jetzt, m.nachher);
  }
  static std::string unterschiede(const Stand& a, const Stand& b) {
    std::string out;
    for (const auto& [pfad, inhalt] : a)
      if (auto it = b.find(pfad); it == b.end() || it->second != inhalt) out += "\n  " + pfad + " " + inhalt;
    for (const auto& [pfad, inhalt] : b)
      if (!a.count(pfad)) out += "\n  (missing) " + pfad;
    return out;
  }

  static std::vector<Vorgang> vorgaenge();
  void jederSchritt(unsigned arten, const std::function<void(const Vorgang&, const Messung&, int)>& einmal);

  OhneSync ohneSync;
};

// The year's Daten with only the tables the operation uses: fewer files, fewer steps.
void nurTabellen(AllesOderNichts& t, const std::string& jahr, const std::vector<std::string>& tabellen) {
  for (const auto& e : fs::directory_iterator(platform::nativePath(t.imDaten("Abrechng\\" + jahr + "\\Daten")))) {
    const std::string name = e.path().filename().string();
    if (std::find(tabellen.begin(), tabellen.end(), name) == tabellen.end()) fs::remove(e.path());
  }
}

void vierBelege(AllesOderNichts& t, const std::string& jahr, const std::string& datum) {
  belegeSchreiben(t.imDaten("Abrechng\\" + jahr + "\\Daten"),
                  {{"1", "01." + datum, false, {"A1", "A2"}}, {"2", "02." + datum, false, {"B1"}},
                   {"3", "03." + datum, true, {"C1"}}, {"4", "04." + datum, false, {"D1"}}});
}

std::vector<AllesOderNichts::Vorgang> AllesOderNichts::vorgaenge() {
  const auto jahrMitBelegen = [](AllesOderNichts& t) {
    t.starten();
    nurTabellen(t, "2024", {"ErfBeleg.DB", "ErfPosition.DB", "Aufstellung.DB", "ImageAufstellung.DB", "AdrDlz.DB"});
    vierBelege(t, "2024", "02.2024");
    saetzeSchreiben(t.jahrOrdner("Daten"), "ErfPosition.DB",
                    {{{"BelegNummer", "2"}, {"HM Nummer", "B2"}, {"Anzahl", "3"}, {"Einzelbetrag", "10"},
                      {"MwSt Kennzeichen", "1"}, {"MwSt Satz", "16"}}});
  };
  return {
      {"deleting a year's movement data", jahrMitBelegen,
       [](AllesOderNichts& t) {
         t.form->EditLoeschenFuerJahr->setText("2024");
         return BewegungenFuerJahrLoeschen(datenOrdnerDesJahres("2024"));
       }},
      {"merging",
       [jahrMitBelegen](AllesOderNichts& t) {
         jahrMitBelegen(t);
         t.jahr("2023");
         leereTabellen(t.programm.str(), t.imDaten("Abrechng\\2023\\Daten"));
         nurTabellen(t, "2023", {"ErfBeleg.DB", "ErfPosition.DB", "Aufstellung.DB"});
         vierBelege(t, "2023", "11.2023");
         saetzeSchreiben(t.imDaten("Abrechng\\2023\\Daten"), "Aufstellung.DB", {{{"Feld00", "S1"}}});
       },
       [](AllesOderNichts& t) {
         t.form->EditVonJahr->setText("2023");
         t.form->EditFuerMonat->setText("");
         return BewegungsdatenZusammenfuehren(datenOrdnerDesJahres("2023"), datenOrdnerDesJahres("2024"));
       }},
      {"rewriting the VAT rates", jahrMitBelegen,
       [](AllesOderNichts& t) {
         t.form->EditMwStVoll->setText("19");
         t.form->EditMwstErm->setText("7");
         t.form->ButtonMwst->click();
         return t.texte().back() == "MwSt-Sätze geändert, Verarbeitung beendet";
       }},
      {"a new year with the open vouchers", jahrMitBelegen,
       [](AllesOderNichts& t) {
         t.form->CheckBoxOffeneBelUebernehmen->setChecked(true);
         return NeuesAbrechnungsjahrAnlegen();
       }},
      {"rebuilding the cost-bearer tables",
       [](AllesOderNichts& t) {
         t.starten();
         nurTabellen(t, "2024", {std::begin(kTabellen), std::end(kTabellen)});
         t.bueroWare(true, "500");
         t.form->EditOrdnerExport->setText(t.daten.str());
         ASSERT_TRUE(EinstellungenSpeichern());
       },
       [](AllesOderNichts&) { return KostentraegerTabellenAktualisieren(); }},
      {"a cost-bearer update",
       [](AllesOderNichts& t) {
         t.starten();
         nurTabellen(t, "2024", {std::begin(kTabellen), std::end(kTabellen)});
         makeZip(t.programm / "kost.zip", kostentraegerDateien());
       },
       [](AllesOderNichts& t) { return KosttrUpdateInstallieren(t.imProgramm("kost.zip"), "01.04.2024"); }},
      {"the reorganisation",
       [](AllesOderNichts& t) {
         t.starten();
         // Three templates keep the run short; the year's Daten holds their older forms.
         for (const auto& e : fs::directory_iterator(t.programm / "LeerDaten")) {
           const std::string name = e.path().filename().string();
           if (name != "ErfBeleg.DB" && name != "Ann.DB" && name != "AdrDlz.DB") fs::remove(e.path());
         }
         nurTabellen(t, "2024", {"Ann.DB", "AdrDlz.DB"});
         db::TableStructure ann = db::structureOf(*db::findCatalogueTable("Ann.DB"));
         ann.fields.resize(20);
         fs::remove(platform::nativePath(t.jahrOrdner("Daten\\Ann.DB")));
         ASSERT_TRUE(db::TTable::createTable(t.jahrOrdner("Daten"), "Ann.DB", ann).ok());
         saetzeSchreiben(t.jahrOrdner("Daten"), "Ann.DB", {{{"Kostentraeger", "1234567"}}});
       },
       [](AllesOderNichts& t) {
         DatenReorganisieren();
         return t.form->ListBoxReorg->items().lines().back().ends_with("  Reorganisation beendet");
       }},
  };
}

// Each operation measured, then for each of its steps of the kinds `arten`: the folders as
// before it, a fresh start, and `einmal` with the step's number.
void AllesOderNichts::jederSchritt(unsigned arten, const std::function<void(const Vorgang&, const Messung&, int)>& einmal) {
  const fs::path kopie = daten.path().parent_path() / (daten.path().filename().string() + "-vorher");
  for (const Vorgang& v : vorgaenge()) {
    SCOPED_TRACE(v.name);
    fs::remove_all(kopie);
    const Messung m = messen(v, kopie, arten);
    ASSERT_GT(m.schritte, 1);
    for (int n = 1; n <= m.schritte && !HasFailure(); ++n) {
      zuruecksetzen(kopie);
      neuerStart();
      einmal(v, m, n);
    }
    zuruecksetzen(kopie);
  }
  fs::remove_all(kopie);
}

TEST_F(AllesOderNichts, AFailureAtAnyStepLeavesEveryFileAsBeforeOrAsAfter) {
  jederSchritt(Schritte::Alle, [this](const Vorgang& v, const Messung& m, int n) {
    bool erfolg = false;
    std::string schritt;
    {
      Schritte fehler(n);
      erfolg = v.lauf(*this);
      if (fehler.anzahl() >= n) schritt = fehler.liste()[static_cast<size_t>(n - 1)];
    }
    neuerStart();
    ganzOderGarNicht(m, erfolg, "step " + std::to_string(n) + " fails: " + schritt);
  });
}

TEST_F(AllesOderNichts, AProcessKilledAtAnyRenameIsRestoredOrFinishedByTheNextStart) {
  jederSchritt(Schritte::Umbenennen, [this](const Vorgang& v, const Messung& m, int n) {
    const pid_t kind = fork();
    ASSERT_GE(kind, 0);
    if (kind == 0) {
      Schritte toeten(0, Schritte::Umbenennen, [n](int schritt) {
        if (schritt == n) raise(SIGKILL);
      });
      _exit(v.lauf(*this) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(kind, &status, 0), kind);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child was to be killed at rename " << n;
    const bool journal = programm.exists(kVorgangsJournal);
    neuerStart();
    ganzOderGarNicht(m, false, "killed at rename " + std::to_string(n));
    // The start said what it found and did.
    const std::vector<std::string> gesagt = texte();
    EXPECT_EQ(std::any_of(gesagt.begin(), gesagt.end(),
                          [](const std::string& t) {
                            return t.starts_with("Ein beim letzten Mal unterbrochener Vorgang wurde");
                          }),
              journal);
    EXPECT_FALSE(programm.exists(kVorgangsJournal));
  });
}

}  // namespace
}  // namespace riviza::test
