// kvozip list, test and extract (tool): TUnZip with every entry selected, the passwords of -p,
// and the volumes of a split set taken under their usual names. Failures are listed at the end,
// one line per entry with its reason, and make the exit status 1.
#include <cstdio>
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

// A reader set up for the whole archive; false (after a message) when the archive is unusable.
bool setUp(TReader& r, const TOptions& options) {
  TUnZip& u = r.unzip;
  u.OnError = CollectErrors(r.errors);
  u.OnNextVolume = [](std::string&, const std::string&, bool exists, bool& cancel) { cancel = !exists; };
  u.Passwords = options.passwords;
  u.FileSpec = {"*.*"};
  u.SetArchiveFile(EnginePath(options.words.front()));
  if (u.GetArchiveFile().empty()) {
    std::fprintf(stderr, "kvozip: %s: no such archive\n", options.words.front().c_str());
    return false;
  }
  return true;
}

int finish(TReader& r, int count, const char* verb) {
  const auto& failures = r.unzip.Failures();
  PrintFailures(failures);
  if (failures.empty() && count == 0)
    for (const std::string& e : r.errors) std::fprintf(stderr, "kvozip: %s\n", e.c_str());
  std::printf("%d file%s %s, %zu failed\n", count, count == 1 ? "" : "s", verb, failures.size());
  return failures.empty() && (count > 0 || r.errors.empty()) ? 0 : 1;
}

int runList(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (options.unknownOption || options.words.size() != 1) return 2;
  TReader r;
  if (!setUp(r, options)) return 1;
  auto entries = r.unzip.ListEntries();
  uint64_t total = 0;
  for (const auto& e : entries) {
    const auto t = zip::DosToDateTimeParts(e.dosDateTime);
    std::printf("%12llu  %s %02d:%02d  %c %3u  %s\n", static_cast<unsigned long long>(e.uncompressed),
                platform::formatDate(t).c_str(), t.hour, t.minute,
                (e.flags & zip::kFlagEncrypted) ? '*' : ' ', e.method, e.name.c_str());
    total += e.uncompressed;
  }
  std::printf("%12llu  %zu entries\n", static_cast<unsigned long long>(total), entries.size());
  PrintFailures(r.unzip.Failures());
  return r.unzip.Failures().empty() ? 0 : 1;
}

int runTest(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (options.unknownOption || options.words.size() != 1) return 2;
  TReader r;
  if (!setUp(r, options)) return 1;
  return finish(r, r.unzip.Test(), "tested right");
}

int runExtract(const TArgs& args) {
  TOptions options = ParseOptions(args);
  if (options.unknownOption || options.words.size() != 2) return 2;
  TReader r;
  if (!setUp(r, options)) return 1;
  r.unzip.SetExtractDir(EnginePath(options.words[1]));
  return finish(r, r.unzip.Extract(), "extracted");
}

const TCommandRegistration kList{{"list", "ARCHIVE", runList}};
const TCommandRegistration kTest{{"test", "ARCHIVE [-p PASSWORD]...", runTest}};
const TCommandRegistration kExtract{{"extract", "ARCHIVE DIR [-p PASSWORD]...", runExtract}};

}  // namespace
}  // namespace riviza::kvozip
