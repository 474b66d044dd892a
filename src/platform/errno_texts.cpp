// The German texts of the system's error numbers and the layer's Error built from one
// (platform layer); see files.h.
//
// strerror would follow LANG and speak English on most machines; the users are German offices
// whatever the system's language. One row per errno value a file, folder, lock or process call
// can give; a value without a row still reads German ("Systemfehler") and keeps its number.
#include <cerrno>
#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace riviza::platform {
namespace {

// EAGAIN and EWOULDBLOCK, EOPNOTSUPP and ENOTSUP, EDEADLK and EDEADLOCK are one number each on
// Linux: each has one row.
constexpr CodeText kErrnoTexts[] = {
    {EPERM, "Vorgang nicht erlaubt"},
    {ENOENT, "Datei oder Ordner nicht gefunden"},
    {ESRCH, "Prozess nicht gefunden"},
    {EINTR, "Unterbrochen"},
    {EIO, "Ein-/Ausgabefehler des Datenträgers"},
    {ENXIO, "Gerät oder Adresse nicht vorhanden"},
    {E2BIG, "Argumentliste zu lang"},
    {ENOEXEC, "Keine ausführbare Programmdatei"},
    {EBADF, "Ungültige Dateinummer"},
    {ECHILD, "Kein Kindprozess vorhanden"},
    {EAGAIN, "Vorübergehend nicht verfügbar"},
    {ENOMEM, "Nicht genügend Arbeitsspeicher"},
    {EACCES, "Zugriff verweigert"},
    {EFAULT, "Ungültige Adresse"},
    {EBUSY, "Datei oder Gerät ist in Benutzung"},
    {EEXIST, "Datei oder Ordner ist bereits vorhanden"},
    {EXDEV, "Verschieben auf ein anderes Laufwerk nicht möglich"},
    {ENODEV, "Laufwerk oder Gerät nicht vorhanden"},
    {ENOTDIR, "Ist kein Ordner"},
    {EISDIR, "Ist ein Ordner"},
    {EINVAL, "Ungültiger Wert"},
    {ENFILE, "Zu viele offene Dateien im System"},
    {EMFILE, "Zu viele offene Dateien"},
    {ETXTBSY, "Programmdatei ist in Benutzung"},
    {EFBIG, "Datei zu groß"},
    {ENOSPC, "Datenträger voll"},
    {ESPIPE, "Positionieren nicht möglich"},
    {EROFS, "Datenträger ist schreibgeschützt"},
    {EMLINK, "Zu viele Verknüpfungen"},
    {EPIPE, "Verbindung zum Empfänger unterbrochen"},
    {ERANGE, "Ergebnis außerhalb des Wertebereichs"},
    {EDEADLK, "Sperrkonflikt"},
    {ENAMETOOLONG, "Name zu lang"},
    {ENOLCK, "Keine Sperre verfügbar"},
    {ENOSYS, "Funktion nicht vorhanden"},
    {ENOTEMPTY, "Ordner ist nicht leer"},
    {ELOOP, "Zu viele symbolische Verknüpfungen"},
    {ENOMEDIUM, "Kein Datenträger eingelegt"},
    {EOVERFLOW, "Wert zu groß für den Datentyp"},
    {EILSEQ, "Ungültige Zeichenfolge"},
    {ENOTSUP, "Vorgang nicht unterstützt"},
    {ECONNREFUSED, "Verbindung abgelehnt"},
    {ECONNRESET, "Verbindung vom Gegenüber zurückgesetzt"},
    {ETIMEDOUT, "Zeitüberschreitung"},
    {EHOSTUNREACH, "Rechner nicht erreichbar"},
    {ENETUNREACH, "Netzwerk nicht erreichbar"},
    {ESTALE, "Netzwerkdatei nicht mehr gültig"},
    {EDQUOT, "Speicherkontingent überschritten"},
    {ECANCELED, "Abgebrochen"},
};

}  // namespace

std::string errnoText(int err) {
  return std::string(textOfCode(kErrnoTexts, err, "Systemfehler")) + " (errno " + std::to_string(err) + ")";
}

Error errnoError(int err, std::string_view what, std::string_view pathText) {
  std::string message(what);
  if (!pathText.empty()) message += " " + displayPath(pathText);
  return Error::make(err, message + ": " + errnoText(err));
}

}  // namespace riviza::platform
