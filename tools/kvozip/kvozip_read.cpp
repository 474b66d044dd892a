// kvozip list, test and extract (tool): TUnZip with every entry selected, the passwords of -p,
// and the volumes of a split set taken under their usual names. A zip archive is known by its
// signature, so a jar is read too; a file that is no zip archive is refused; an archive without
// its end record (cut short, or damaged at its end) is read as far as its local headers go and
// reported, exit status 1. Failures are listed at the end, one line per entry with its reason,
// and make the exit status 1, as does a test that passed fewer entries than the directory lists.
// Extraction creates the archive's folder entries, as unzip does.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "kvozip.h"
#include "platform/clock.h"
#include "zip/kvoGbls.h"
#include "zip/kvoUnZip.h"

namespace riviza::kvozip {
namespace {

using zip::TUnZip;

struct TReader {
  TUnZip unzip;
  std::vector<std::string> errors;  // reported errors, shown when no entry names the failure
};

// A jar is a zip by its signature, whatever its extension made of the type.
bool isZip(zip::TArcType t) {
  return t == zip::atZip || t == zip::atZipExe || t == zip::atZipDS || t == zip::atZipMV || t == zip::atJar ||
         t == zip::atJarExe;
}

// Why the engine found no archive at the path: the engine says only that it has none.
std::string unusableReason(const std::string& name) {
  std::error_code ec;
  const auto status = std::filesystem::status(name, ec);
  if (!std::filesystem::exists(status)) return "no such file";
  if (std::filesystem::is_directory(status)) return "a folder, not an archive";
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return "not a zip archive";
}

// A reader set up for the whole archive; false (after a message) when the archive is unusable.
bool setUp(TReader& r, const TOptions& options) {
  TUnZip& u = r.unzip;
  const std::string& name = options.words.front();
  u.OnError = CollectErrors(r.errors);
  u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
  u.Passwords = options.passwords;
  u.FileSpec = {"*.*"};
  u.SetArchiveFile(EnginePath(name));
  if (u.GetArchiveFile().empty() || !isZip(u.ArcType())) {
    std::fprintf(stderr, "kvozip: %s: %s\n", name.c_str(), unusableReason(name).c_str());
    return false;
  }
  return true;
}

// After the work: the failures (a truncated archive among them), the exit status.
int report(TReader& r, bool succeeded) {
  PrintFailures(r.unzip.Failures());
  return succeeded && r.unzip.Failures().empty() ? 0 : 1;
}

int finish(TReader& r, int count, const char* verb) {
  const bool nothing = r.unzip.Failures().empty() && count == 0 && !r.errors.empty();
  if (nothing)
    for (const std::string& e : r.errors) std::fprintf(stderr, "kvozip: %s\n", e.c_str());
  std::printf("%s %s, %zu failed\n", Counted(static_cast<size_t>(count), "file", "files").c_str(), verb,
              r.unzip.Failures().size());
  return report(r, !nothing);
}

int runList(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (int s = CheckWords(options, 1, "list")) return s;
  TReader r;
  if (!setUp(r, options)) return 1;
  auto entries = r.unzip.ListEntries();
  uint64_t total = 0;
  for (const auto& e : entries) {
    const auto t = zip::DosToDateTimeParts(e.dosDateTime);
    std::printf("%12llu  %s %02d:%02d  %c %3u  %s\n", static_cast<unsigned long long>(e.uncompressed),
                platform::formatDate(t).c_str(), t.hour, t.minute,
                (e.flags & zip::kFlagEncrypted) ? '*' : ' ', e.method, DisplayName(e.name).c_str());
    total += e.uncompressed;
  }
  std::printf("%12llu  %s\n", static_cast<unsigned long long>(total),
              Counted(entries.size(), "entry", "entries").c_str());
  return report(r, true);
}

// Every entry the directory lists must have passed: one the engine left aside without naming it
// (an empty name, a selection that missed it) is no entry tested right.
int runTest(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (int s = CheckWords(options, 1, "test")) return s;
  TReader r;
  if (!setUp(r, options)) return 1;
  uint64_t passed = 0;
  r.unzip.OnEnd = [&passed](const std::string&, bool pass) { passed += pass; };
  const int status = finish(r, r.unzip.Test(), "tested right");
  const uint64_t listed = r.unzip.EntriesTotal();
  if (passed >= listed) return status;
  std::fprintf(stderr, "kvozip: %s: %llu of %s tested right\n", options.words.front().c_str(),
               static_cast<unsigned long long>(passed), Counted(listed, "entry", "entries").c_str());
  return 1;
}

int runExtract(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (int s = CheckWords(options, 2, "extract")) return s;
  TReader r;
  if (!setUp(r, options)) return 1;
  r.unzip.CreateStoredDirs = true;
  r.unzip.SetExtractDir(EnginePath(options.words[1]));
  return finish(r, r.unzip.Extract(), "extracted");
}

const TCommandRegistration kList{{"list", "ARCHIVE", runList}};
const TCommandRegistration kTest{{"test", "ARCHIVE [-p PASSWORD]...", runTest}};
const TCommandRegistration kExtract{{"extract", "ARCHIVE DIR [-p PASSWORD]...", runExtract}};

}  // namespace
}  // namespace riviza::kvozip
