// kvozip's commands (tool): each command file registers its commands with one static
// TCommandRegistration; main finds them by name. Arguments are the words after the command.
// A command returns the process exit status: 0 when everything asked for was done, 1 when any
// entry failed (it says which and why), 2 for a usage error.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zip/kvoregister.h"

namespace riviza::kvozip {

using TArgs = std::vector<std::string>;

struct TCommand {
  std::string_view name;
  std::string_view usage;  // the arguments, as the help shows them
  int (*run)(const TArgs& args);
};

// The registered commands, in registration order.
std::span<const TCommand> Commands();

struct TCommandRegistration {
  explicit TCommandRegistration(TCommand command);
};

// Options of the form "-p PASSWORD" taken out of args; the remaining words stay. Any other
// option makes the arguments unusable.
struct TOptions {
  std::vector<std::string> passwords;
  std::vector<std::string> words;
  bool unknownOption = false;
};
TOptions ParseOptions(const TArgs& args);

// An OnError handler that keeps each reported error as one line: its text, code, file and
// detail.
zip::TZipCommon::TOnError CollectErrors(std::vector<std::string>& lines);
// One line per failure on stderr, naming the file, the reason and the code's text.
void PrintFailures(const std::vector<zip::TEntryFailure>& failures);

// Path text for the engine from a command-line path (made absolute).
std::string EnginePath(const std::string& argument);

}  // namespace riviza::kvozip
