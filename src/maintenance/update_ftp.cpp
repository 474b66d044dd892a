// The FTP toggle, the FTP fetch of one date file and the "Start Download" button (form library,
// maintenance); see update_ftp.h.
#include "maintenance/update_ftp.h"

#include "forms/Riviza1.h"
#include "forms/globals.h"
#include "maintenance/update_liste.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace pf = platform;

Status FtpVerbindungUmschalten() {
  TIdFTP& ftp = *FormEinstellungen->IdFTP1;
  if (ftp.Connected()) {
    ftp.Disconnect();
    UpdateProtokollOhneZeit("Getrennt");
    return okStatus();
  }
  ftp.Username = kUpdateKontoBenutzer;
  ftp.Password = kUpdateKontoKennwort;
  ftp.Host = kUpdateKontoHost;
  Status verbunden;
  if (!pf::trim(ftp.Username).empty() && !pf::trim(ftp.Password).empty() && !pf::trim(ftp.Host).empty())
    verbunden = ftp.Connect();
  if (ftp.Connected()) UpdateProtokollOhneZeit("Verbunden");
  return verbunden;
}

Status FtpDateiHolen(const std::string& dateiname) {
  TIdFTP& ftp = *FormEinstellungen->IdFTP1;
  const std::string& programm = globals().ProgrammPfad;
  if (!ftp.Connected() || !pf::directoryExists(programm)) return okStatus();
  // The ASCII type set after the CWD only matters for a transfer, and the file is fetched
  // binary: libcurl sends the type with the transfer (net/ftp_abruf.h).
  if (!ftp.ChangeDir(kFtpOrdner)) RIVIZA_TRY(ftp.MakeDir(kFtpOrdner));
  const std::string lokal = programm + "\\" + dateiname;
  const bool vorhanden = pf::fileExists(lokal);
  RIVIZA_TRY(ftp.Get(dateiname, lokal, vorhanden));
  // The two forms differ in the leading slash of the server path, as they always did.
  const std::string server = std::string(vorhanden ? "" : "/") + kFtpOrdner + "/" + dateiname;
  UpdateProtokoll("   -> FTP Datei:" + server + "  Ordner: " + pf::displayPath(programm));
  return okStatus();
}

void TFormEinstellungen::BitBtnStartClick(TComponent&) {
  Status s = FtpVerbindungUmschalten();
  if (s) s = FtpDateiHolen("update.txt");
  if (s) s = FtpDateiHolen("kost.txt");
  if (s) s = FtpVerbindungUmschalten();
  if (!s) ui::dialogs().messageDlg(s.error().message, ui::DlgType::Error, ui::DlgButtons::Ok);
}

}  // namespace riviza
