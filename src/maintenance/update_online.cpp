// The update tab's buttons and the HTTP road's download handlers (form library, maintenance);
// see update_online.h.
//
// The update handlers come in pairs, one per chain, that differ only in their files and texts:
// one descriptor per chain (Kette) and one routine per step serve both. Two mends against the
// Windows program: the chains keep their own date and judge completeness by their own
// component's byte counts (the progress bar and DownloadDatum are shared by both), and a chain
// never deletes files the other one still needs.
#include "maintenance/update_online.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "app/allg_tools.h"
#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/update_installation.h"
#include "maintenance/update_liste.h"
#include "maintenance/update_sftp.h"
#include "net/connection.h"
#include "net/curl_util.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "ui/dialogs.h"
#include "ui/operation.h"

namespace riviza {

namespace pf = platform;

namespace {

// A date file is one date line "dd.MM.yyyy" and CR LF.
constexpr int64_t kDatumsdateiBytes = 12;

struct Kette {
  UpdateArt art;
  const char* datumsdatei;  // on the server and in Temp
  const char* paket;
  THttpDownload* TFormEinstellungen::*datumsdownload;
  THttpDownload* TFormEinstellungen::*paketdownload;
  UpdateKettenZustand TUpdateKetten::*zustand;
  const char* neu;  // logged with the date when the server has something new
  const char* dauer;
  const char* keinNeues;  // logged with the date otherwise
};

const Kette kProgramm{UpdateArt::Programm,
                      "update.txt",
                      "update.zip",
                      &TFormEinstellungen::HttpDownloadFileTxt,
                      &TFormEinstellungen::HttpDownloadFileZip,
                      &TUpdateKetten::programm,
                      "neues Update gefunden, vom: ",
                      "... Daten werden kopiert, Dauer bei ISDN ca. 10 min.",
                      "kein neues Update gefunden, Stand: "};
const Kette kKosttr{UpdateArt::Kosttr,
                    "kost.txt",
                    "kost.zip",
                    &TFormEinstellungen::HttpDownloadKostTxt,
                    &TFormEinstellungen::HttpDownloadKostZip,
                    &TUpdateKetten::kosttr,
                    "neue Kostenträgerdateien, anzuwenden ab: ",
                    "... Daten werden kopiert, Dauer bei ISDN ca. 0,5 min.",
                    "keine neuen Kostenträgerdateien vorhanden, Stand: "};

const Kette& ketteVon(UpdateArt art) { return art == UpdateArt::Programm ? kProgramm : kKosttr; }

THttpDownload& datumsdownload(const Kette& k) { return *(FormEinstellungen->*k.datumsdownload); }
THttpDownload& paketdownload(const Kette& k) { return *(FormEinstellungen->*k.paketdownload); }
UpdateKettenZustand& zustand(const Kette& k) { return FormEinstellungen->UpdateKetten->*k.zustand; }

bool aktiv(const Kette& k) {
  return datumsdownload(k).Running() || paketdownload(k).Running() || zustand(k).installiert;
}

std::string tempOrdner() { return globals().ProgrammPfad + "Temp\\"; }
std::string inTemp(const char* name) { return globals().ProgrammPfad + "temp\\" + name; }

// Empties Temp as the roads do, but keeps the date file and package of every active chain
// other than `ausser`: a press of one button never pulls a file from under the other chain.
void tempLeeren(const Kette* ausser) {
  std::vector<const char*> behalten;
  for (const Kette* k : {&kProgramm, &kKosttr})
    if (k != ausser && aktiv(*k)) behalten.insert(behalten.end(), {k->datumsdatei, k->paket});
  if (behalten.empty()) return DateienLoeschen(tempOrdner(), "*.*");
  for (const pf::DirEntry& e : pf::listDirectory(tempOrdner(), "*.*")) {
    const bool bleibt = std::any_of(behalten.begin(), behalten.end(),
                                    [&e](const char* name) { return pf::equalsIgnoreCase(e.name, name); });
    if (!e.isDirectory && !bleibt) (void)pf::deleteFile(tempOrdner() + e.name);
  }
}

// Update\ belongs to the program chain; it stays while its package is being unpacked there.
void updateOrdnerLeeren(bool entfernen) {
  if (zustand(kProgramm).installiert) return;
  const std::string ordner = globals().ProgrammPfad + "Update";
  DateienLoeschen(ordner + "\\", "*.*");
  if (entfernen) (void)pf::removeDirectory(ordner);  // a folder with sub-folders stays
}

void auflegen() { net::InternetAutodialHangup(0); }

std::string bytesZeile(const THttpDownload& d) {
  return std::to_string(d.Readed()) + " von " + std::to_string(d.TotalSize()) + " bytes";
}

void unvollstaendig(const Kette& k) {
  UpdateProtokoll("Download nicht vollständig, neu starten");
  UpdateProtokoll("Download beendet");
  pf::processMessages();
  auflegen();
  zustand(k).ergebnis = UpdateErgebnis::Fehler;
}

// Program: a later date than the installed update (equal is not later); none when a date
// cannot be read. Cost bearers: any difference of the text, whichever date is later.
std::optional<bool> neuer(const Kette& k, const std::string& datum) {
  const Globals& g = globals();
  if (k.art == UpdateArt::Kosttr) return datum != g.StandKosttrDatum;
  const auto server = pf::parseDate(datum);
  const auto installiert = pf::parseDate(g.StandUpdateDatum);
  if (!server || !installiert) return std::nullopt;
  return *server > *installiert;
}

void verbindenUndStarten(const Kette& k) {
  net::InternetAutodial(net::kAutodialForceOnline);
  // A mistyped mirror is no missing connection: the user is told what to mend.
  const auto umleitung = net::updateServerConnectTo();
  if (!umleitung || !net::InternetGetConnectedState(kUpdateBasisAdresse)) {
    UpdateProtokoll(umleitung ? "  keine Internetverbindung" : "  " + umleitung.error().message);
    if (!aktiv(k)) zustand(k).ergebnis = UpdateErgebnis::Fehler;
    return;
  }
  UpdateProtokoll("  Internetverbindung vorhanden");
  UpdateProtokoll("  Download gestartet");
  pf::processMessages();
  // A second press while the chain runs starts nothing, as its component ignores the start.
  if (aktiv(k)) return;
  zustand(k) = {};
  zustand(k).ergebnis = UpdateErgebnis::Laeuft;
  THttpDownload& d = datumsdownload(k);
  d.URL = std::string(kUpdateBasisAdresse) + k.datumsdatei;
  d.FileName = inTemp(k.datumsdatei);
  d.StartDownloadToFile();
}

void datumsdateiAngekommen(const Kette& k, const std::string& datei, int64_t groesse) {
  const THttpDownload& d = datumsdownload(k);
  UpdateProtokoll("Datei: " + pf::displayPath(datei));
  UpdateProtokoll(bytesZeile(d));
  pf::processMessages();
  FormEinstellungen->ProgressBar->setPosition(0);
  if (d.Readed() != d.TotalSize()) return unvollstaendig(k);
  UpdateKettenZustand& z = zustand(k);
  const std::string groesseText = std::to_string(groesse);
  if (!pf::fileExists(datei) || groesse != kDatumsdateiBytes) {
    UpdateProtokoll("Download fehlgeschlagen, Datei " + groesseText + "Byte, neu starten");
    z.ergebnis = UpdateErgebnis::Fehler;
    return;
  }
  z.datum = DatumsdateiZeile(datei);
  globals().DownloadDatum = z.datum;
  const std::optional<bool> neu = neuer(k, z.datum);
  if (!neu) {
    UpdateProtokoll("Datum nicht erkennbar, Download fehlgeschlagen, Datei " + groesseText +
                    "Byte, neu starten");
    z.ergebnis = UpdateErgebnis::Fehler;
  } else if (*neu) {
    UpdateProtokoll(k.neu + z.datum);
    UpdateProtokoll(k.dauer);
    pf::processMessages();
    THttpDownload& p = paketdownload(k);
    p.URL = std::string(kUpdateBasisAdresse) + k.paket;
    p.FileName = inTemp(k.paket);
    p.StartDownloadToFile();
  } else {
    UpdateProtokoll(k.keinNeues + z.datum);
    UpdateProtokoll("Download beendet");
    pf::processMessages();
    auflegen();
    z.ergebnis = UpdateErgebnis::KeinNeues;
  }
}

UpdateErgebnis kosttrInstallieren(const Kette& k, const std::string& datei) {
  const std::string datum = zustand(k).datum;
  if (!KosttrUebernehmenGefragt(datum)) return UpdateErgebnis::Abgebrochen;
  if (!pf::fileExists(datei)) return UpdateErgebnis::Fehler;
  const bool ok = KosttrUpdateInstallieren(inTemp(k.paket), datum);
  (void)pf::deleteFile(datei);
  return ok ? UpdateErgebnis::Installiert : UpdateErgebnis::Fehler;
}

// The package's size is judged by the component's byte counts, not by the announced size.
void paketAngekommen(const Kette& k, const std::string& datei, int64_t) {
  const THttpDownload& p = paketdownload(k);
  UpdateProtokoll("Datei: " + pf::displayPath(datei));
  UpdateProtokoll(bytesZeile(p));
  UpdateProtokoll("Download beendet");
  pf::processMessages();
  auflegen();
  FormEinstellungen->ProgressBar->setPosition(0);
  if (p.Readed() != p.TotalSize()) return unvollstaendig(k);
  UpdateKettenZustand& z = zustand(k);
  if (k.art == UpdateArt::Programm && !pf::fileExists(datei)) {
    z.ergebnis = UpdateErgebnis::Fehler;
    return;
  }
  z.installiert = true;
  const UpdateErgebnis ergebnis = k.art == UpdateArt::Kosttr ? kosttrInstallieren(k, datei)
                                  : ProgrammUpdateInstallieren(inTemp(k.paket), false)
                                      ? UpdateErgebnis::Installiert
                                      : UpdateErgebnis::Fehler;
  z.installiert = false;
  z.ergebnis = ergebnis;
}

void downloadFehler(const Kette& k, const char* datei) {
  UpdateProtokoll(std::string("  Fehler bei der Datenübertragung, Datei: ") + datei);
  zustand(k).ergebnis = UpdateErgebnis::Fehler;
  ui::dialogs().messageBox("Die Internetverbindung wurde unterbrochen!", "Fehler !", ui::MsgIcon::Error);
  tempLeeren(&k);
  pf::processMessages();
  pf::processMessages();
  updateOrdnerLeeren(false);
  pf::processMessages();
}

}  // namespace

std::string DatumsdateiZeile(const std::string& datei) {
  const std::string text = pf::toUtf8(pf::readFile(datei).valueOr(""));
  return text.substr(0, text.find_first_of("\r\n"));
}

void UpdateFortschritt(int64_t gesamt, int64_t gelesen) {
  auto alsInt = [](int64_t n) { return static_cast<int>(std::clamp<int64_t>(n, 0, INT_MAX)); };
  FormEinstellungen->ProgressBar->setMax(alsInt(gesamt));
  FormEinstellungen->ProgressBar->setPosition(alsInt(gelesen));
}

bool SftpWegGewaehlt() {
  return pf::fileExists(globals().ProgrammPfad + "WinSCP.exe") &&
         FormEinstellungen->CheckBoxFtpUpdate->checked();
}

const UpdateKettenZustand& UpdateZustand(UpdateArt art) { return zustand(ketteVon(art)); }

bool UpdateKetteAktiv(UpdateArt art) { return aktiv(ketteVon(art)); }

void UpdateLogBeimBeenden() {
  const TStrings& zeilen = FormEinstellungen->ListBoxLiveUpdate->items();
  if (!zeilen.empty() && !globals().ProgrammPfad.empty())
    (void)ListeSpeichern(zeilen, globals().ProgrammPfad + kUpdateLog);
}

void TFormEinstellungen::BitBtnLiveUpdateClick(TComponent&) {
  if (SftpWegGewaehlt()) return ProgrammUpdateSftp();
  const std::string programm = globals().ProgrammPfad;
  tempLeeren(nullptr);
  pf::processMessages();
  pf::processMessages();
  DateienLoeschen(programm + "Orvel_Abrechng_Update\\", "*.*");
  (void)pf::removeDirectory(programm + "Orvel_Abrechng_Update");
  pf::processMessages();
  updateOrdnerLeeren(true);
  pf::processMessages();
  verbindenUndStarten(kProgramm);
}

void TFormEinstellungen::BitBtnKostClick(TComponent&) {
  if (SftpWegGewaehlt()) return KosttrUpdateSftp();
  verbindenUndStarten(kKosttr);
}

void TFormEinstellungen::TabSheet7Exit(TComponent&) {
  (void)ListeSpeichern(ListBoxLiveUpdate->items(), globals().ProgrammPfad + kUpdateLog);
}

// The four components' handlers: each forwards to the step routine with its chain and file. A
// finished download's step is an operation of its own (ui/operation.h): the installation lets
// messages run, and no click, close or other chain's event may come in between.
#define RIVIZA_UPDATE_DOWNLOAD_HANDLER(komponente, kette, datei, angekommen)                      \
  void TFormEinstellungen::komponente##DoneFile(net::THttpDownload&, const std::string& FileName, \
                                                int64_t FileSize) {                               \
    const ui::OperationGuard vorgang;                                                             \
    angekommen(kette, FileName, FileSize);                                                        \
  }                                                                                               \
  void TFormEinstellungen::komponente##Error(net::THttpDownload&) {                               \
    const ui::OperationGuard vorgang;                                                             \
    downloadFehler(kette, datei);                                                                 \
  }                                                                                               \
  void TFormEinstellungen::komponente##Progress(net::THttpDownloadThread&, int64_t TotalSize,     \
                                                int64_t Readed) {                                 \
    UpdateFortschritt(TotalSize, Readed);                                                         \
  }
RIVIZA_UPDATE_DOWNLOAD_HANDLER(HttpDownloadFileTxt, kProgramm, "update.txt", datumsdateiAngekommen)
RIVIZA_UPDATE_DOWNLOAD_HANDLER(HttpDownloadFileZip, kProgramm, "update.zip", paketAngekommen)
RIVIZA_UPDATE_DOWNLOAD_HANDLER(HttpDownloadKostTxt, kKosttr, "kost.txt", datumsdateiAngekommen)
RIVIZA_UPDATE_DOWNLOAD_HANDLER(HttpDownloadKostZip, kKosttr, "kost.zip", paketAngekommen)
#undef RIVIZA_UPDATE_DOWNLOAD_HANDLER

}  // namespace riviza
