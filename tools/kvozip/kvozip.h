// kvozip's commands (tool): each command file registers its commands with one static
// TCommandRegistration; main finds them by name. Arguments are the words after the command.
// A command returns the process exit status: 0 when everything asked for was done, 1 when the
// archive is unusable or any entry failed (it says which and why), 2 for a usage error (it says
// what was wrong; main then shows the usage). Messages name files by their Linux paths, give
// the reason in words and the engine's code in brackets.
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

// Says what is wrong with the command line; returns the usage status 2.
int UsageError(const std::string& what);

// Options of the form "-p PASSWORD" taken out of args; the remaining words stay. Any other
// option, or -p without its value, leaves `bad` saying so.
struct TOptions {
  std::vector<std::string> passwords;
  std::vector<std::string> words;
  std::string bad;
};
TOptions ParseOptions(const TArgs& args);
// The usage status after a message when the options were bad or the words are not `count`.
int CheckWords(const TOptions& options, size_t count, std::string_view command);

// An engine path text or entry name as a user of Linux writes it ("/" separators).
std::string DisplayName(std::string_view engineText);
// An OnError handler that keeps each reported error as one line: file, text, detail and code.
zip::TZipCommon::TOnError CollectErrors(std::vector<std::string>& lines);
// One line per failure on stderr, naming the file, the reason and the code.
void PrintFailures(const std::vector<zip::TEntryFailure>& failures);
// "1 entry", "2 entries".
std::string Counted(size_t n, std::string_view one, std::string_view many);

// Path text for the engine from a command-line path (made absolute).
std::string EnginePath(const std::string& argument);

}  // namespace riviza::kvozip
