// riviza-batch: runs one operation of the settings form on an installation without a window,
// for administrators' scripts and end-to-end checks (tool).
//
//   riviza-batch PROGRAMFOLDER OPERATION [ARGS] [--ja|--nein]
//
// The tool starts the form model as the program does (the two instance locks, the start-up
// with the program-folder Abrechng.ini, data root, current year and the program-access lock),
// runs the operation, and closes the form (Temp emptied, lock released). Every question is
// answered with --ja (default) or --nein; every message box and every line of the update,
// reorganisation and statistics lists goes to stdout as it appears. The operation runs as one
// operation of the form model (ui/operation.h). SIGTERM, SIGINT, SIGHUP and SIGPIPE (the reader
// of the output went away) close the form as "&Beenden" does, once the operation has ended.
//
// Exit status: 0 when the operation succeeded and no error box was shown; 1 when it failed, the start-up
// could not reach a year, or a signal ended the run; 2 for a usage error or a missing program folder.
//
// An operation is a function in an ops_*.cpp of this folder, registered there with
// RIVIZA_BATCH_OPERATION; a new operation needs no other file changed.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/Riviza1.h"
#include "ui/operation.h"

namespace riviza::batch {

// What an operation works with.
struct Sitzung {
  TFormEinstellungen& form;
  std::vector<std::string> args;  // the words after OPERATION, options removed
  bool ja = true;                 // the answer to every question
  // The run as the form model's operation. An operation that then waits for events other
  // threads post (an update's chain) ends it first, as the window waits for them in its loop.
  std::optional<ui::OperationGuard> vorgang{std::in_place};
};

// Thrown by an operation whose arguments are wrong; the tool prints it with the usage line
// and exits 2.
struct Nutzungsfehler : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An operation that takes no arguments refuses any.
inline void keineArgumente(const Sitzung& s) {
  if (!s.args.empty()) throw Nutzungsfehler("keine Argumente erwartet");
}

// Runs the operation; false when it failed (it has said why).
using Operation = bool (*)(Sitzung&);

struct OperationEintrag {
  const char* name;    // as typed on the command line
  const char* aufruf;  // its arguments, for the usage text ("" when none)
  const char* zweck;   // one line
  Operation ausfuehren;
};

// Registers an operation at program start (one static object per operation).
struct Registrierung {
  explicit Registrierung(OperationEintrag eintrag);
};

const std::vector<OperationEintrag>& operationen();

// The number of error boxes shown so far (error icon, error type or caption "Fehler !").
int fehlerAnzahl();

}  // namespace riviza::batch

#define RIVIZA_BATCH_CONCAT2(a, b) a##b
#define RIVIZA_BATCH_CONCAT(a, b) RIVIZA_BATCH_CONCAT2(a, b)
#define RIVIZA_BATCH_OPERATION(...)                                                           \
  static const ::riviza::batch::Registrierung RIVIZA_BATCH_CONCAT(registrierung_, __LINE__) { \
    ::riviza::batch::OperationEintrag { __VA_ARGS__ }                                         \
  }
