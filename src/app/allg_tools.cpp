// The general routines every subsystem calls (form library, application shell); see
// allg_tools.h.
#include "app/allg_tools.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/launcher.h"
#include "platform/netdrive.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/screen.h"
#include "platform/shellops.h"
#include "platform/text.h"
#include "ui/dialogs.h"

namespace riviza {

namespace pf = platform;

namespace {
// "-1" (the missing-value default) is taken as empty.
std::string iniValue(const pf::IniFile& ini, std::string_view key) {
  std::string v = ini.readString("ANMELDUNG", key, "-1");
  return v == "-1" ? std::string() : v;
}
}  // namespace

std::string BackslashAnhaengen(std::string_view folder) {
  if (folder.empty() || folder.back() == '\\') return std::string(folder);
  return std::string(folder) + "\\";
}

std::string DateiVersion(std::string_view fileName) {
  if (platform::trim(fileName).empty()) return RIVIZA_VERSION_TEXT;
  return "No version specification";
}

bool ProgrammStartenUndWarten(std::string_view folder, std::string_view commandLine) {
  // The folder is glued to the program's name only: a blank inside the folder must not split it.
  std::vector<std::string> argv = pf::splitCommandLine(commandLine);
  if (argv.empty()) return false;
  argv[0] = BackslashAnhaengen(folder) + argv[0];
  auto p = pf::startProcess(argv);
  if (!p) return false;
  (void)p->wait();
  return true;
}

std::string DateienSuchen(std::string_view folder, std::string_view mask) {
  std::string list;
  for (const pf::DirEntry& e : pf::listDirectory(folder, mask)) {
    if (e.isDirectory) continue;
    if (!list.empty()) list += '@';
    list += e.name;
  }
  return list;
}

void DateienLoeschen(std::string_view folder, std::string_view mask) {
  for (const pf::DirEntry& e : pf::listDirectory(folder, mask))
    if (!e.isDirectory) (void)pf::deleteFile(std::string(folder) + e.name);
}

bool NetzlaufwerkAnmelden(std::string_view folder, std::string_view iniFileName) {
  pf::IniFile ini(std::string(folder) + "\\" + std::string(iniFileName));
  std::string viaBatch = iniValue(ini, "AnmeldenUeberNetUseBat");
  std::string drive = iniValue(ini, "Laufwerk");
  std::string computer = iniValue(ini, "Computername");
  std::string share = iniValue(ini, "Freigabename");
  std::string user = iniValue(ini, "Benutzername");
  std::string password = iniValue(ini, "Kennwort");

  if (!viaBatch.empty()) {
    std::string cwd = pf::currentFolderText();
    if (pf::fileExists(cwd + "\\NetUse.bat"))
      ProgrammStartenUndWarten(cwd, "\\NetUse.bat");
    else
      ui::dialogs().showMessage("Datei nicht vorhanden! " + pf::displayPath(cwd + "\\NetUse.bat"));
  } else {
    NetzlaufwerkVerbinden(drive + ":", "\\\\" + computer + "\\" + share, user, 0, password);
  }
  for (int attempt = 0; attempt < 11; ++attempt) {
    if (pf::directoryExists(drive + ":\\")) return true;
    if (attempt < 10) pf::sleepMs(100);
  }
  return false;
}

bool NetzlaufwerkVerbinden(std::string_view localDrive, std::string_view uncPath, std::string_view user,
                           unsigned flags, std::string_view password) {
  return pf::networkDrives().connect(localDrive, uncPath, user, password, flags);
}

void NetzlaufwerkTrennen(std::string_view driveLetter, std::string_view computer, std::string_view share) {
  std::string drive = platform::trim(driveLetter);
  if (!drive.empty())
    (void)pf::networkDrives().disconnect(drive + ":");
  else
    (void)pf::networkDrives().disconnect("\\\\" + std::string(computer) + "\\" + std::string(share));
}

int DateiOperation(int operation, std::string_view source, std::string_view target, unsigned flags) {
  if (operation < 1 || operation > 4) return EINVAL;
  return pf::shellFileOperation(static_cast<pf::ShellOp>(operation), source, target, flags);
}

bool DateienVerschieben(std::string_view source, std::string_view target) {
  return DateiOperation(1, source, target, pf::kShellFilesOnly) == 0;
}

bool DateienKopieren(std::string_view source, std::string_view target) {
  return DateiOperation(2, source, target, pf::kShellFilesOnly) == 0;
}

void UnterordnerListe(std::string_view folder, std::vector<std::string>& list) {
  for (const pf::DirEntry& e : pf::listDirectory(std::string(folder) + "\\", "*"))
    if (e.isDirectory) list.push_back(std::string(folder) + "\\" + e.name);
}

std::string TeilString(std::string_view text, char separator, int n) {
  if (n < 2 || static_cast<size_t>(n) > text.size()) return {};
  // The field begins after separator n-2 (the text's start for n = 2) and ends at separator n-1.
  size_t start = 0;
  for (int k = 2; k < n; ++k) {
    size_t sep = text.find(separator, start);
    if (sep == std::string_view::npos) return {};
    start = sep + 1;
  }
  size_t end = text.find(separator, start);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(start, end - start));
}

namespace {
// A program starts with the parameters as its arguments; anything else is a document, which the
// desktop's default program opens.
Result<pf::Process> shellStarten(std::string_view file, std::string_view parameters,
                                 std::string_view workingFolder) {
  pf::ResolvedProgram prog = pf::resolveProgram(file, workingFolder);
  if (!prog.path.empty() && (prog.windowsProgram || ::access(prog.path.c_str(), X_OK) == 0)) {
    std::vector<std::string> argv{std::string(file)};
    for (auto& a : pf::splitCommandLine(parameters)) argv.push_back(std::move(a));
    return pf::startProcess(argv, workingFolder);
  }
  std::string doc = file.find_first_of("\\/:") == std::string_view::npos && !workingFolder.empty()
                        ? BackslashAnhaengen(workingFolder) + std::string(file)
                        : std::string(file);
  if (!pf::pathExists(doc)) return Error::make(ENOENT, "no such document: " + doc);
  return pf::openDocument(doc);
}
}  // namespace

int ShellAusfuehrenUndWarten(std::string_view verb, std::string_view file, std::string_view parameters,
                             int showMode, bool wait, std::string_view workingFolder) {
  (void)verb;
  (void)showMode;
  auto p = shellStarten(file, parameters, workingFolder);
  if (!p) return -1;
  if (!wait) return 0;  // the process object lets go of the child (reaped in the background)
  return ProzessAbwarten(*p);
}

int ProzessAbwarten(pf::Process& prozess) {
  for (;;) {
    if (auto code = prozess.poll()) return *code;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pf::processMessages();
  }
}

void FormAnBildschirmAnpassen(int& width, int& height, int designWidth, int designHeight) {
  pf::ScreenSize screen = pf::screenSize();
  if ((screen.width != designWidth || screen.height != designHeight) && screen.height > 768) {
    width += 10;
    height += 10;
  }
}

}  // namespace riviza
