// The SFTP road of the program and the cost-bearer update (form library, maintenance); see
// update_sftp.h.
//
// The two buttons' roads are one sequence with a descriptor each: fetch the date file into Temp,
// read and delete it, compare its date with the installed one (later is new; equal or older is
// not), fetch the package, install it. They differ in the texts, in which installed date the
// "nothing new" line shows, in whether DownloadDatum takes the date, and in the installation.
#include "maintenance/update_sftp.h"

#include <optional>

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/update_installation.h"
#include "maintenance/update_liste.h"
#include "maintenance/update_online.h"
#include "net/sftp_abruf.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/launcher.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "ui/operation.h"

namespace riviza {

namespace pf = platform;

namespace {

constexpr const char* kServerOrdner = "orvel_update/";

using Installation = UpdateErgebnis (*)(const std::string& paket, const std::string& datum);

struct SftpWeg {
  const char* datumsdatei;
  const char* paket;
  UpdateKettenZustand TUpdateKetten::*zustand;
  std::string Globals::*stand;  // the installed date
  bool kurzpfadNeu;             // the program road computes the short folder afresh
  bool setztDownloadDatum;
  const char* neu;        // with the server's date
  const char* keinNeues;  // with the server's date, or (standImKeinNeues) the installed one
  bool standImKeinNeues;
  Installation installieren;
};

UpdateErgebnis programmInstallieren(const std::string& paket, const std::string&) {
  return ProgrammUpdateInstallieren(paket, true) ? UpdateErgebnis::Installiert : UpdateErgebnis::Fehler;
}

// Asked whatever happens next; the package goes whatever the answer, so the next attempt
// fetches it again.
UpdateErgebnis kosttrInstallieren(const std::string& paket, const std::string& datum) {
  const UpdateErgebnis ergebnis = !KosttrUebernehmenGefragt(datum)         ? UpdateErgebnis::Abgebrochen
                                  : KosttrUpdateInstallieren(paket, datum) ? UpdateErgebnis::Installiert
                                                                           : UpdateErgebnis::Fehler;
  (void)pf::deleteFile(paket);
  return ergebnis;
}

const SftpWeg kProgramm{"update.txt",
                        "update.zip",
                        &TUpdateKetten::programm,
                        &Globals::StandUpdateDatum,
                        true,
                        false,
                        "neues Update gefunden, vom: ",
                        "kein neues Update gefunden, Stand: ",
                        false,
                        &programmInstallieren};
const SftpWeg kKosttr{"kost.txt",
                      "kost.zip",
                      &TUpdateKetten::kosttr,
                      &Globals::StandKosttrDatum,
                      false,
                      true,
                      "neue Kostenträgerdateien, anzuwenden ab: ",
                      "keine neuen Kostenträgerdateien vorhanden, Stand: ",
                      true,
                      &kosttrInstallieren};

// Whether the window the road started in still shows, and no close of it waits for the road to
// end; one never shown (riviza-batch, tests) counts as showing.
bool sichtbarBeimStart = false;
bool fensterOffen() {
  return FormEinstellungen && !ui::closeWaiting(*FormEinstellungen) &&
         (!sichtbarBeimStart || FormEinstellungen->visible());
}

// The session log that WinScpAufruf names with /log= (relative to the program folder); none
// when it names none.
void sitzungsProtokoll(const std::string& meldung) {
  const Globals& g = globals();
  for (const std::string& arg : pf::splitCommandLine(g.WinScpAufruf)) {
    if (arg.rfind("/log=", 0) != 0 || arg.size() == 5) continue;
    (void)pf::appendFile(g.ProgrammPfad + arg.substr(5), pf::fromUtf8(LogZeile(meldung)) + "\r\n");
    return;
  }
}

// Fetches kServerOrdner + name into the folder `ziel`; true when it arrived whole.
bool holen(const std::string& name, const std::string& ziel) {
  const net::AbrufFortschritt fortschritt = [](int64_t gesamt, int64_t erhalten) {
    UpdateFortschritt(gesamt, erhalten);
    pf::processMessages();
    return fensterOffen();
  };
  const std::string serverPfad = kServerOrdner + name;
  auto konto = net::SftpKontoLesen(globals().WinScpVerbindung);
  const Status s = konto ? net::SftpHolen(*konto, net::updateHostKey(kUpdateServerSchluessel), serverPfad,
                                          ziel + name, {}, fortschritt)
                         : Status(konto.error());
  sitzungsProtokoll("get " + serverPfad + (s ? ": OK" : ": " + s.error().message));
  if (!fensterOffen()) return false;
  FormEinstellungen->ProgressBar->setPosition(0);
  if (!s) UpdateProtokoll("  SFTP: " + s.error().message);
  return s.ok();
}

UpdateErgebnis ablaufen(const SftpWeg& w, UpdateKettenZustand& z) {
  Globals& g = globals();
  if (w.kurzpfadNeu) g.ProgrammPfadKurz = pf::shortPathName(g.ProgrammPfad);
  const std::string t = g.ProgrammPfadKurz + "Temp\\";
  if (!holen(w.datumsdatei, t)) return UpdateErgebnis::Fehler;
  z.datum = DatumsdateiZeile(t + w.datumsdatei);
  (void)pf::deleteFile(t + w.datumsdatei);
  if (w.setztDownloadDatum) g.DownloadDatum = z.datum;

  const auto server = pf::parseDate(z.datum);
  const auto installiert = pf::parseDate(g.*w.stand);
  if (!server || !installiert) {
    UpdateProtokoll("Datum nicht erkennbar, Download fehlgeschlagen, neu starten");
    return UpdateErgebnis::Fehler;
  }
  if (!(*server > *installiert)) {
    UpdateProtokoll(w.keinNeues + (w.standImKeinNeues ? g.*w.stand : z.datum));
    UpdateProtokoll("Download beendet");
    pf::processMessages();
    return UpdateErgebnis::KeinNeues;
  }
  UpdateProtokoll(w.neu + z.datum);
  pf::processMessages();
  if (!holen(w.paket, t)) return UpdateErgebnis::Fehler;
  z.installiert = true;
  const UpdateErgebnis ergebnis = w.installieren(t + w.paket, z.datum);
  z.installiert = false;
  return ergebnis;
}

void sftpUpdate(const SftpWeg& w) {
  // A road is an operation: a press of either button while a transfer lets messages run is
  // refused, and a close waits for the transfer, which it ends.
  const ui::OperationGuard vorgang;
  sichtbarBeimStart = FormEinstellungen->visible();
  UpdateKettenZustand& z = FormEinstellungen->UpdateKetten->*w.zustand;
  z = {};
  z.ergebnis = UpdateErgebnis::Laeuft;
  z.ergebnis = ablaufen(w, z);
}

}  // namespace

void ProgrammUpdateSftp() { sftpUpdate(kProgramm); }

void KosttrUpdateSftp() { sftpUpdate(kKosttr); }

}  // namespace riviza
