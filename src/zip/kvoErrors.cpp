// String table of the zip engine's error codes (zip layer): one row per code, looked up by
// number; the texts stand exactly as the engine shows them. Beside it the German texts the
// form library shows the user, one row per code as well.
#include "zip/kvoErrors.h"

#include <array>
#include <utility>

#include "platform/text.h"

namespace riviza::zip {
namespace {

struct TextRow {
  int code;
  std::string_view text;
};

constexpr std::array kTexts{
    TextRow{kZipBadData, "Corrupt archive data"},
    TextRow{kZipBadLocalOffset, "Bad offset to local header"},
    TextRow{kZipBadBlock, "Bad block"},
    TextRow{kZipWriteError, "Error writing to file"},
    TextRow{kZipCloseError, "Error closing file"},
    TextRow{kZipCrcFailed, "File fails CRC check"},
    TextRow{kZipSpanLabelError, "Error writing spanned-disk label"},
    TextRow{kZipInvalidDirectory, "Invalid directory"},
    TextRow{kZipDiskFull, "Disk full"},
    TextRow{kZipNotAccessible, "is not accessible"},
    TextRow{kZipWriteProtected, "disk is write protected"},
    TextRow{kZipFileNotFound, "File not found"},
    TextRow{kZipOpenError, "Error opening file"},
    TextRow{kZipUnsupportedArchive, "Invalid or unsupported archive type for this operation"},
    TextRow{kZipNothingToDo, "Nothing to do"},
    TextRow{kZipEventNotAssigned, "Required event not assigned"},
    TextRow{kZipPropertyNotAssigned, "Required property not assigned"},
    TextRow{kZipStackOverflow, "Stack overflow"},
    TextRow{kZipUnsupportedMethod, "Unsupported compression method"},
    TextRow{kZipUserCanceled, "User canceled"},
    TextRow{kZipInvalidPassword, "Invalid password"},
    TextRow{kZipNothingToDoArchive, "Nothing to do"},
    TextRow{kZipStreamReadError, "Stream read error"},
    TextRow{kZipStreamWriteError, "Stream write error"},
    TextRow{kZipOutOfMemory, "Out of memory while expanding memory stream"},
    TextRow{kZipRangeError, "Range check error"},
    TextRow{kZipPasswordTooLong, "Password too long"},
    TextRow{kZipOverlap, "Entry data overlap another entry"},
    TextRow{kZipLocalMismatch, "Local header does not match the central directory"},
    TextRow{kZipNameOutside, "Name leads outside the target folder"},
    TextRow{kZipNameControl, "Name contains a control character"},
    TextRow{kZipNameColon, "Name contains a colon"},
    TextRow{kZipNameEmpty, "Entry has no name"},
    TextRow{kZipOutputLimit, "Output limit of the extraction reached"},
};

constexpr platform::CodeText kGerman[] = {
    {kZipBadData, "Beschädigte Archivdaten"},
    {kZipBadLocalOffset, "Falscher Verweis auf einen Eintrag des Archivs"},
    {kZipBadBlock, "Beschädigter Datenblock"},
    {kZipWriteError, "Fehler beim Schreiben der Datei"},
    {kZipCloseError, "Fehler beim Schließen der Datei"},
    {kZipCrcFailed, "Prüfsumme stimmt nicht"},
    {kZipSpanLabelError, "Fehler beim Schreiben der Datenträgerbezeichnung"},
    {kZipInvalidDirectory, "Ordner nicht gefunden"},
    {kZipDiskFull, "Datenträger voll"},
    {kZipNotAccessible, "Laufwerk nicht erreichbar"},
    {kZipWriteProtected, "Datenträger ist schreibgeschützt"},
    {kZipFileNotFound, "Datei nicht gefunden"},
    {kZipOpenError, "Datei kann nicht geöffnet werden"},
    {kZipUnsupportedArchive, "Archivart für diesen Vorgang ungültig oder nicht unterstützt"},
    {kZipNothingToDo, "Keine Dateien zu verarbeiten"},
    {kZipEventNotAssigned, "Erforderliches Ereignis nicht zugewiesen"},
    {kZipPropertyNotAssigned, "Erforderliche Eigenschaft nicht gesetzt"},
    {kZipStackOverflow, "Stapelüberlauf"},
    {kZipUnsupportedMethod, "Nicht unterstützte Packmethode"},
    {kZipUserCanceled, "Vom Benutzer abgebrochen"},
    {kZipInvalidPassword, "Ungültiges Kennwort"},
    {kZipNothingToDoArchive, "Keine Dateien zu verarbeiten, das Archiv ist nicht vorhanden"},
    {kZipStreamReadError, "Lesefehler"},
    {kZipStreamWriteError, "Schreibfehler"},
    {kZipOutOfMemory, "Nicht genügend Arbeitsspeicher"},
    {kZipRangeError, "Wert außerhalb des Bereichs"},
    {kZipPasswordTooLong, "Kennwort zu lang"},
    {kZipOverlap, "Die Daten des Eintrags überlagern einen anderen Eintrag"},
    {kZipLocalMismatch, "Der lokale Kopf stimmt nicht mit dem Inhaltsverzeichnis überein"},
    {kZipNameOutside, "Der Name führt aus dem Zielordner hinaus"},
    {kZipNameControl, "Der Name enthält ein Steuerzeichen"},
    {kZipNameColon, "Der Name enthält einen Doppelpunkt"},
    {kZipNameEmpty, "Der Eintrag hat keinen Namen"},
    {kZipOutputLimit, "Die Grenze der entpackten Größe ist erreicht"},
};

}  // namespace

std::string ReasonText(int code) {
  return std::string(platform::textOfCode(kGerman, code, "Fehler im Archiv")) + " (Zip " +
         std::to_string(code) + ")";
}

std::string_view ErrorText(int code) {
  for (const auto& row : kTexts)
    if (row.code == code) return row.text;
  return {};
}

Error zipError(int code, std::string_view extendedMsg, const char* file, unsigned line) {
  std::string message(ErrorText(code));
  if (!extendedMsg.empty()) {
    message += ": ";
    message += extendedMsg;
  }
  return Error::make(code, std::move(message), file, line);
}

}  // namespace riviza::zip
