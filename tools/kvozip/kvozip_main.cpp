// kvozip: entry point and command registry (tool). See kvozip.h.
#include <cstdio>
#include <filesystem>

#include "kvozip.h"
#include "platform/paths.h"
#include "zip/kvoErrors.h"
#include "zip/kvoGbls.h"

namespace riviza::kvozip {
namespace {

std::vector<TCommand>& registry() {
  static std::vector<TCommand> commands;
  return commands;
}

int usage(std::FILE* out, int status) {
  std::fprintf(out, "usage:\n");
  for (const TCommand& c : Commands())
    std::fprintf(out, "  kvozip %.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data());
  return status;
}

}  // namespace

std::span<const TCommand> Commands() { return registry(); }

TCommandRegistration::TCommandRegistration(TCommand command) { registry().push_back(command); }

int UsageError(const std::string& what) {
  std::fprintf(stderr, "kvozip: %s\n", what.c_str());
  return 2;
}

TOptions ParseOptions(const TArgs& args) {
  TOptions options;
  for (size_t i = 0; i < args.size() && options.bad.empty(); ++i) {
    if (args[i] == "-p" && i + 1 < args.size())
      options.passwords.push_back(args[++i]);
    else if (args[i] == "-p")
      options.bad = "-p needs a password";
    else if (args[i].size() > 1 && args[i][0] == '-')
      options.bad = "unknown option " + args[i];
    else
      options.words.push_back(args[i]);
  }
  return options;
}

int CheckWords(const TOptions& options, size_t count, std::string_view command) {
  if (!options.bad.empty()) return UsageError(options.bad);
  if (options.words.size() == count) return 0;
  return UsageError(
      std::string(command) + " takes " + (count == 1 ? "an archive" : "an archive and a folder") + ", not " +
      std::to_string(options.words.size()) + " argument" + (options.words.size() == 1 ? "" : "s"));
}

std::string DisplayName(std::string_view engineText) { return zip::BackslashToSlash(engineText); }

zip::TZipCommon::TOnError CollectErrors(std::vector<std::string>& lines) {
  return [&lines](const std::string& fileName, const std::string& extendedMsg, const std::string&, int code) {
    std::string line = fileName.empty() ? std::string() : DisplayName(fileName) + ": ";
    line += zip::ErrorText(code);
    // The detail names the engine's path texts too.
    if (!extendedMsg.empty()) line += " (" + DisplayName(extendedMsg) + ")";
    lines.push_back(line + " [" + std::to_string(code) + "]");
  };
}

void PrintFailures(const std::vector<zip::TEntryFailure>& failures) {
  for (const zip::TEntryFailure& f : failures)
    std::fprintf(stderr, "kvozip: failed: %s: %s [%d]\n", DisplayName(f.fileName).c_str(), f.reason.c_str(),
                 f.code);
}

std::string Counted(size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string EnginePath(const std::string& argument) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(argument, ec);
  return platform::pathText(ec ? std::filesystem::path(argument) : absolute.lexically_normal());
}

}  // namespace riviza::kvozip

int main(int argc, char** argv) {
  using namespace riviza::kvozip;
  if (argc < 2) return usage(stderr, 2);
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") return usage(stdout, 0);
  for (const TCommand& c : Commands())
    if (c.name == name) {
      const TArgs args(argv + 2, argv + argc);
      for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-p" || args[i] == "--aes")
          ++i;  // a value, whatever it looks like
        else if (args[i] == "--help" || args[i] == "-h")
          return usage(stdout, 0);
      }
      const int status = c.run(args);
      return status == 2 ? usage(stderr, 2) : status;
    }
  UsageError("unknown command " + std::string(name));
  return usage(stderr, 2);
}
