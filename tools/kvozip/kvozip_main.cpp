// kvozip: entry point and command registry (tool). See kvozip.h.
#include <cstdio>
#include <filesystem>

#include "kvozip.h"
#include "platform/paths.h"
#include "zip/kvoErrors.h"

namespace riviza::kvozip {
namespace {

std::vector<TCommand>& registry() {
  static std::vector<TCommand> commands;
  return commands;
}

int usage() {
  std::fprintf(stderr, "usage:\n");
  for (const TCommand& c : Commands())
    std::fprintf(stderr, "  kvozip %.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data());
  return 2;
}

}  // namespace

std::span<const TCommand> Commands() { return registry(); }

TCommandRegistration::TCommandRegistration(TCommand command) { registry().push_back(command); }

TOptions ParseOptions(const TArgs& args) {
  TOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-p" && i + 1 < args.size())
      options.passwords.push_back(args[++i]);
    else if (args[i].size() > 1 && args[i][0] == '-')
      options.unknownOption = true;
    else
      options.words.push_back(args[i]);
  }
  return options;
}

zip::TZipCommon::TOnError CollectErrors(std::vector<std::string>& lines) {
  return [&lines](const std::string& fileName, const std::string& extendedMsg, const std::string&, int code) {
    std::string line = std::string(zip::ErrorText(code)) + " (" + std::to_string(code) + ")";
    if (!fileName.empty()) line += ": " + fileName;
    if (!extendedMsg.empty()) line += " [" + extendedMsg + "]";
    lines.push_back(std::move(line));
  };
}

void PrintFailures(const std::vector<zip::TEntryFailure>& failures) {
  for (const zip::TEntryFailure& f : failures)
    std::fprintf(stderr, "kvozip: failed: %s: %s (%s)\n", f.fileName.c_str(), f.reason.c_str(),
                 std::string(zip::ErrorText(f.code)).c_str());
}

std::string EnginePath(const std::string& argument) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(argument, ec);
  return platform::pathText(ec ? std::filesystem::path(argument) : absolute.lexically_normal());
}

}  // namespace riviza::kvozip

int main(int argc, char** argv) {
  using namespace riviza::kvozip;
  if (argc < 2) return usage();
  const std::string_view name = argv[1];
  for (const TCommand& c : Commands())
    if (c.name == name) {
      const int status = c.run(TArgs(argv + 2, argv + argc));
      return status == 2 ? usage() : status;
    }
  return usage();
}
