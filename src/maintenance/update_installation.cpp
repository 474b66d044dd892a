// Installing the program and the cost-bearer packages (form library, maintenance); see
// update_installation.h.
//
// The Windows program closed before it started the installer, so one that could not start left
// the office with neither program nor update; here the program closes for an installer only
// once it runs.
//
// The Windows program unpacked straight into the target folders and went on whatever the zip
// component said, so a broken package emptied the Kosttr folders or closed the program for an
// installer that was never unpacked. Here a package is judged first: unpacked whole (the cost
// bearers into a staging folder), every selected entry written and checked. Then both Kosttr
// folders are built anew beside the old ones, the tables rebuilt from the new files and the date
// staged, and all of it takes effect in one operation (app/vorgang.h): a rebuild that fails
// leaves the old files, the old tables and the old date (the Windows program, and this one's
// first version, replaced the folders first and left them new beside half-rebuilt tables).
#include "maintenance/update_installation.h"

#include <optional>
#include <vector>

#include "app/allg_tools.h"
#include "app/vorgang.h"
#include "costbearer/kosttr_dateien.h"
#include "costbearer/tabellen_neuaufbau.h"
#include "forms/Riviza1.h"
#include "forms/form_melder.h"
#include "forms/globals.h"
#include "forms/tabellen_pause.h"
#include "forms/update_tabellen.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "ui/dialogs.h"
#include "ui/operation.h"
#include "zip/kvoErrors.h"

namespace riviza {

namespace pf = platform;

namespace {

constexpr int kSwShowNormal = 1;
constexpr unsigned kAttrDirectory = 0x10;

std::string zahl(long long n) { return std::to_string(n); }

// What a package may unpack to: cost-bearer files deflate about 10:1 and a program's files less,
// so 200 times the package leaves room, and no package of this program holds more than 4 GiB.
// A package from a mirror or plain HTTP is bounded by what it is, not by what it claims.
constexpr uint32_t kPaketFaktor = 200;
constexpr uint64_t kPaketHoechstens = 4ull << 30;

// Unpacks the whole package into the folder; the count of files written, and why it is not
// the whole package when it is not.
struct Entpackt {
  int anzahl = 0;
  std::optional<std::string> fehler;
};

Entpackt entpacken(const std::string& paket, const std::string& ziel) {
  TUnZip& unzip = *FormEinstellungen->UnZip1;
  unzip.SetArchiveFile(paket);
  unzip.SetExtractDir(ziel);
  unzip.FileSpec = {"*.*"};
  unzip.ExtractLimitRatio = kPaketFaktor;
  unzip.ExtractLimitBytes = kPaketHoechstens;
  int dateien = 0;
  for (const auto& e : unzip.ListEntries()) {
    const bool ordner =
        (e.externalAttributes & kAttrDirectory) || e.name.ends_with('\\') || e.name.ends_with('/');
    if (!ordner) ++dateien;
  }
  Entpackt r;
  r.anzahl = unzip.Extract();
  if (!unzip.Failures().empty()) {
    const auto& f = unzip.Failures().front();
    r.fehler = "Datei " + f.fileName + ": " + zip::ReasonText(f.code);
  } else if (r.anzahl == 0) {
    r.fehler = "das Paket ist kein Zip-Archiv oder enthält keine Dateien";
  } else if (r.anzahl != dateien) {
    r.fehler = zahl(r.anzahl) + " von " + zahl(dateien) + " Dateien entpackt";
  }
  return r;
}

enum class Installer { Gestartet, Keiner, NichtGestartet };

// Starts the installer the package brought: Setup.exe in Update\, else Update.exe moved into
// the program folder. An Update.exe in the program folder that the package did not bring is an
// earlier update's and is left alone (the Windows program started it again).
Installer installerStarten() {
  const Globals& g = globals();
  const std::string ordner = g.ProgrammPfad + "Update";
  const std::string setup = ordner + "\\Setup.exe";
  if (pf::fileExists(setup)) {
    if (SetupStarten(setup, ordner)) return Installer::Gestartet;
    SetupStartFehler(pf::displayPath(setup));
    return Installer::NichtGestartet;
  }
  const std::string mitgebracht = ordner + "\\Update.exe";
  const std::string update = g.ProgrammPfad + "Update.exe";
  if (!pf::fileExists(mitgebracht)) return Installer::Keiner;
  // The Windows program waited a second after the copy; a finished copy is complete here. It
  // deleted the package's copy whatever the copy did and started what had arrived: a copy cut
  // short (a full disk) is removed instead, and the package's copy stays for a later run.
  if (Status st = pf::copyFile(mitgebracht, update); !st) {
    (void)pf::deleteFile(update);
    SetupStartFehler(pf::displayPath(update) + ": " + st.error().message);
    return Installer::NichtGestartet;
  }
  (void)pf::deleteFile(mitgebracht);
  if (SetupStarten(update, g.ProgrammPfad)) return Installer::Gestartet;
  SetupStartFehler(pf::displayPath(update));
  return Installer::NichtGestartet;
}

// The regular files directly in a folder.
std::vector<std::string> dateienIn(const std::string& ordner, const char* maske = "*.*") {
  std::vector<std::string> namen;
  for (const auto& e : pf::listDirectory(ordner, maske))
    if (!e.isDirectory) namen.push_back(e.name);
  return namen;
}

// Why the unpacked package must not replace the cost-bearer files, or nothing when it may.
std::optional<std::string> paketPruefen(const std::string& ordner) {
  if (dateienIn(ordner, "*.ke?").empty()) return "keine Kostenträgerdatei (*.ke?) im Paket";
  return costbearer::kostentraegerPaketPruefen(installation(), ordner);
}

bool kosttrAbbruch(const std::string& grund) {
  UpdateProtokoll("Kostenträgerdateien nicht übernommen: " + grund);
  return false;
}

}  // namespace

bool ProgrammUpdateInstallieren(const std::string& paket, bool paketLoeschen) {
  const std::string ordner = globals().ProgrammPfad + "Update";
  (void)pf::removeTree(ordner);
  (void)pf::forceDirectories(ordner);
  const Entpackt e = entpacken(paket, ordner);
  UpdateProtokoll("Dateien entpackt: " + zahl(e.anzahl));
  pf::processMessages();
  if (e.fehler) {
    // The start-up would run a Setup.exe of a half package.
    (void)pf::removeTree(ordner);
    UpdateProtokoll("Programmupdate nicht installiert: " + *e.fehler);
    ui::dialogs().messageBox("Das Programmupdate wurde nicht installiert!\n\n" + *e.fehler, "Fehler !",
                             ui::MsgIcon::Error);
    return false;
  }
  if (paketLoeschen) (void)pf::deleteFile(paket);
  // The installer first: the program makes way only for one that runs (or when the package has
  // none); otherwise it goes on, with the message saying why.
  if (installerStarten() == Installer::NichtGestartet) return false;
  FormEinstellungen->close();
  return true;
}

bool KosttrUpdateInstallieren(const std::string& paket, const std::string& datum) {
  TFormEinstellungen& f = *FormEinstellungen;
  Globals& g = globals();
  // The package's files as the readers find them (a folder named Kosttr).
  const std::string auspacken = g.ProgrammPfad + "Temp\\KosttrNeu";
  const std::string neu = auspacken + "\\Kosttr";
  struct Aufraeumen {
    std::string ordner;
    ~Aufraeumen() { (void)pf::removeTree(ordner); }
  } aufraeumen{auspacken};
  (void)pf::removeTree(auspacken);
  (void)pf::forceDirectories(neu);
  const Entpackt e = entpacken(paket, neu);
  UpdateProtokoll("Dateien entpackt: " + zahl(e.anzahl));
  pf::processMessages();
  if (e.fehler) return kosttrAbbruch(*e.fehler);
  if (const auto grund = paketPruefen(neu)) return kosttrAbbruch(*grund);

  // Both Kosttr folders, the tables rebuilt from the new files and the date change in one
  // operation: when any of it fails, the old files, tables and date all stay.
  bool ok = false;
  const ui::OperationGuard vorgang;
  const Installation inst = installation();
  const costbearer::NeuaufbauWerte werte = neuaufbauWerte();
  FormMelder melder(f.LabelKosttr);
  TabellenPause pause;
  {
    Vorgang v(inst, "Kostenträger-Update vom " + datum + ": " + pf::displayPath(inst.jahrKosttrPfad()));
    for (const std::string& ziel : {inst.jahrKosttrPfad(), g.ProgrammPfad + "Kosttr"}) {
      auto bau = v.dateien().stageFolder(ziel);
      Status st = bau ? pf::copyTree(neu, *bau) : Status(bau.error());
      if (!st) return kosttrAbbruch(st.error().message);
    }
    pf::processMessages();
    costbearer::Neuaufbau n(v, inst, werte, melder, neu);
    kostentraegerListenZeigen(neu);
    ok = costbearer::KosttrTabellenNeuAufbauen(n).ok();
    debitorenNummerZeigen(n.debitorenAb);
    if (n.fehler) {
      UpdateProtokoll("Tabellen nicht aktualisiert: Kostenträgerdateien, Tabellen und Kostenträgerdatum unverändert");
      return false;
    }
    auto ini = v.dateien().stageCopy(inst.jahrIniPfad());
    Status st = ini ? pf::IniFile(*ini).writeString("EINSTELLUNGEN", "KosttrDatum", datum) : Status(ini.error());
    if (!st) return kosttrAbbruch("Kostenträgerdatum nicht gespeichert: " + st.error().message);
    if (!costbearer::neuaufbauFestschreiben(n).ok()) {
      UpdateProtokoll("Kostenträgerdateien nicht übernommen: " +
                      v.folgen("Dateien, Tabellen und Kostenträgerdatum unverändert"));
      return false;
    }
    debitorenNummerZeigen(n.debitorenAb);
    ok = ok && !n.fehlerDanach;
  }
  for (const std::string& meldung : pause.wiederOeffnen()) UpdateProtokoll(meldung);
  g.StandKosttrDatum = datum;
  f.LabelKosttr->setCaption(datum);
  pf::processMessages();
  UpdateProtokoll("  Aktualisierung beendet");
  return ok;
}

bool KosttrUebernehmenGefragt(const std::string& datum) {
  return ui::dialogs().messageDlg("Kostenträger anzuwenden ab: " + datum + "\r\n" + "übernehmen ?",
                                  ui::DlgType::Confirmation, ui::DlgButtons::YesCancel) == ui::DlgResult::Yes;
}

bool SetupStarten(const std::string& programm, const std::string& ordner) {
  return ShellAusfuehrenUndWarten("", programm, "", kSwShowNormal, false, ordner) >= 0;
}

void SetupStartFehler(const std::string& was, const std::string& dazu) {
  UpdateProtokoll("Setup-Programm nicht gestartet: " + was + (dazu.empty() ? "" : " (" + dazu + ")"));
  ui::dialogs().messageBox(
      "Das Setup-Programm konnte nicht gestartet werden!\n\n" + was + (dazu.empty() ? "" : "\n\n" + dazu),
      "Fehler !", ui::MsgIcon::Error);
}

}  // namespace riviza
