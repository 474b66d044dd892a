// kvozip add (tool): TZip adding files and folders (recursed, empty folders kept) to an archive,
// new or existing. Names are stored relative to the current folder, or, for a path outside
// it, relative to the path's own parent folder. -0 stores, -1 deflates fast, -9 best, the other
// digits normally; -p encrypts with the traditional cipher, or with --aes 128|192|256 with AES.
// A file that differs from its entry in an existing archive replaces it, as with zip. The count
// printed is of the entries this command added. Every file that was not archived is listed with
// its reason and makes the exit status 1.
#include <cstdio>
#include <filesystem>
#include <string>

#include "kvozip.h"
#include "platform/paths.h"
#include "zip/kvoGbls.h"
#include "zip/kvoZip.h"

namespace riviza::kvozip {
namespace {

namespace fs = std::filesystem;
using zip::TZip;

struct TAddOptions {
  std::vector<std::string> words;
  zip::TDeflateType deflate = zip::dtDeflateN;
  std::string password;
  zip::TEncryptionMethod encryption = zip::emNone;
};

// What is wrong with the command line; empty when it is usable.
std::string parseAdd(const TArgs& args, TAddOptions& o) {
  std::string aes;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "-p" || a == "--aes") && i + 1 == args.size()) return a + " needs a value";
    if (a == "-p") {
      o.password = args[++i];
    } else if (a == "--aes") {
      aes = args[++i];
      if (aes != "128" && aes != "192" && aes != "256") return "--aes takes 128, 192 or 256, not " + aes;
    } else if (a.size() == 2 && a[0] == '-' && a[1] >= '0' && a[1] <= '9') {
      o.deflate = a[1] == '0'   ? zip::dtDeflateS
                  : a[1] == '1' ? zip::dtDeflateF
                  : a[1] == '9' ? zip::dtDeflateX
                                : zip::dtDeflateN;
    } else if (a.size() > 1 && a[0] == '-') {
      return "unknown option " + a;
    } else {
      o.words.push_back(a);
    }
  }
  if (!aes.empty() && o.password.empty()) return "--aes needs -p PASSWORD";
  if (o.words.size() < 2) return "add takes an archive and at least one file or folder";
  if (!o.password.empty())
    o.encryption = aes == "128"   ? zip::emAES2_128
                   : aes == "192" ? zip::emAES2_192
                   : aes == "256" ? zip::emAES2_256
                                  : zip::emZIP_v2;
  return {};
}

// The folder names are stored relative to: the current folder when the path lies below it.
std::string baseFolderOf(const fs::path& absolute) {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  const fs::path relative = absolute.lexically_relative(cwd);
  if (!ec && !relative.empty() && *relative.begin() != "..") return platform::pathText(cwd);
  return platform::pathText(absolute.parent_path());
}

int runAdd(const TArgs& args) {
  TAddOptions o;
  if (const std::string bad = parseAdd(args, o); !bad.empty()) return UsageError(bad);
  TZip z;
  std::vector<std::string> errors;
  z.OnError = CollectErrors(errors);
  z.OnReplaceFile = [](const std::string&, const std::string&, double, double, int64_t, int64_t, int, int,
                       bool& replace) { replace = true; };
  z.DeflateType = o.deflate;
  z.Password = o.password;
  z.EncryptionMethod = o.encryption;
  z.StoreEmptySubDirs = true;
  z.StoredDirNames = zip::sdExplorer_UserDefineDefaultDir;
  for (auto a :
       {zip::fsZeroAttr, zip::fsArchive, zip::fsDirectory, zip::fsHidden, zip::fsReadOnly, zip::fsSysFile})
    z.SetAttribute(a, true);
  z.SetArchiveFile(EnginePath(o.words.front()));
  int total = 0;
  size_t failed = 0;
  for (size_t i = 1; i < o.words.size(); ++i) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(o.words[i], ec).lexically_normal();
    const bool folder = fs::is_directory(absolute, ec);
    if (!folder && !fs::exists(absolute, ec)) {
      std::fprintf(stderr, "kvozip: failed: %s: not found\n", o.words[i].c_str());
      ++failed;
      continue;
    }
    const std::string text = platform::pathText(fs::path(absolute.string()).lexically_normal());
    z.DefaultDir = baseFolderOf(absolute);
    z.RecurseDirs = folder;
    z.FileSpec = {folder ? zip::AppendBackslash(zip::RemoveBackslash(text)) + "*.*" : text};
    errors.clear();
    const int count = z.Compress();
    total += z.AddedCount();
    PrintFailures(z.Failures());
    failed += z.Failures().size();
    if (count == 0 && z.Failures().empty() && !errors.empty()) {
      for (const std::string& e : errors) std::fprintf(stderr, "kvozip: %s\n", e.c_str());
      ++failed;
    }
  }
  std::printf("%s added, %zu failed\n", Counted(static_cast<size_t>(total), "entry", "entries").c_str(),
              failed);
  return failed == 0 ? 0 : 1;
}

const TCommandRegistration kAdd{
    {"add", "ARCHIVE PATH... [-0..-9] [-p PASSWORD [--aes 128|192|256]]", runAdd}};

}  // namespace
}  // namespace riviza::kvozip
