// The pinned host key and the target file of the SFTP and FTP fetches (net layer); see abruf.h.
#include "net/abruf.h"

#include <cerrno>
#include <cstdlib>

#include "platform/paths.h"

namespace riviza::net {
namespace {

namespace pf = platform;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

bool isBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The folder lookup finds one spelling of a name; every spelling of the target and of its
// ".part" file goes, so that no other case of the name survives to be taken for this fetch.
Status staleCopiesDelete(const std::string& ziel, const std::string& teil, Vorgaenger vorgaenger) {
  const std::string folder = pf::extractFilePath(ziel);
  const std::string zielName = pf::extractFileName(ziel);
  const std::string teilName = pf::extractFileName(teil);
  for (const pf::DirEntry& e : pf::listDirectory(folder)) {
    if (e.isDirectory) continue;
    const bool alt = vorgaenger == Vorgaenger::Loeschen && sameNameIgnoringCase(e.name, zielName);
    if (alt || sameNameIgnoringCase(e.name, teilName)) RIVIZA_TRY(pf::deleteFile(folder + e.name));
  }
  return okStatus();
}

Error lokal(const Error& e) { return Error::make(kAbrufLokal, "Datei nicht schreibbar: " + e.message); }

}  // namespace

std::string updateHostKey(std::string_view mitgeliefert) {
  const char* value = std::getenv(kUpdateHostKeyVariable);
  return value && *value ? std::string(value) : std::string(mitgeliefert);
}

Result<std::string> hostKeyBase64(std::string_view fingerprint) {
  constexpr std::string_view kPrefix = "SHA256:";
  if (fingerprint.substr(0, kPrefix.size()) == kPrefix) fingerprint.remove_prefix(kPrefix.size());
  while (!fingerprint.empty() && fingerprint.back() == '=') fingerprint.remove_suffix(1);
  // 32 bytes are 43 characters of base64 without padding.
  bool ok = fingerprint.size() == 43;
  for (char c : fingerprint) ok = ok && isBase64Char(c);
  RIVIZA_CHECK_DATA(
      ok, kAbrufEinstellung,
      "Kein gültiger SHA-256-Schlüssel des Update-Servers hinterlegt: \"" + std::string(fingerprint) + "\"");
  return std::string(fingerprint);
}

AbrufZiel::AbrufZiel(std::string zielText, Vorgaenger vorgaenger)
    : ziel_(std::move(zielText)), teil_(ziel_ + ".part") {
  vorbereitet_ = staleCopiesDelete(ziel_, teil_, vorgaenger);
  if (!vorbereitet_) vorbereitet_ = lokal(vorbereitet_.error());
}

AbrufZiel::~AbrufZiel() {
  if (!offen_) return;
  (void)file_.close();
  (void)pf::deleteFile(teil_);
}

Status AbrufZiel::open() {
  RIVIZA_TRY(vorbereitet_);
  auto file = pf::File::open(teil_, pf::File::Mode::CreateNew);
  if (!file) return lokal(file.error());
  file_ = std::move(*file);
  offen_ = true;
  return okStatus();
}

Status AbrufZiel::write(const char* data, size_t n) {
  if (!offen_) RIVIZA_TRY(open());
  auto written = file_.write(data, n);
  if (!written) return lokal(written.error());
  return okStatus();
}

Status AbrufZiel::commit() {
  if (!offen_) RIVIZA_TRY(open());  // an empty file is still a file
  auto closed = file_.close();
  if (!closed) return lokal(closed.error());
  auto renamed = pf::renamePath(teil_, ziel_);
  if (!renamed) return lokal(renamed.error());
  offen_ = false;
  return okStatus();
}

}  // namespace riviza::net
