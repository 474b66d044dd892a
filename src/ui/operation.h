// One operation at a time on the main thread (user-interface layer).
//
// An operation is whatever the main thread runs to its end: a handler the user set off (the
// controls' user* members open one for the action's length), a timer's tick, and work the program
// takes up itself (an event another thread posted, an operation of riviza-batch). Long work inside
// it lets messages run so that the window repaints; nothing that arrives meanwhile may run a
// handler inside it (a double click that builds the new year twice, "&Beenden" that empties Temp
// and releases the year's lock while a deletion goes on). So while an operation runs:
//   - user input is refused: the user* members answer false and change nothing; the view drops
//     keys, focus moves, activations and timer ticks and sets its widgets back from the model;
//   - a form's close (its title bar, an end signal, close() called by the program) is noted and
//     carried out when the operation ends, still as its last step, so the close handler never
//     runs beside the work it would undo;
//   - the work other threads post waits in the main-thread queue (platform/pump.h).
// Guards nest: the steps of an operation (the table rebuild inside an update) run as part of it.
// There is one main thread, so the state is the process's.
//
//   idle --first guard--> running (guards nest) --last guard ends--> closing (the noted closes,
//   one by one, while still running) --> idle (posted work runs again)
//
// An operation that ends by an exception drops the closes it noted: the fault is shown at the
// event boundary and the user decides again.
#pragma once

namespace riviza::ui {

class TForm;

class OperationGuard {
 public:
  OperationGuard();
  ~OperationGuard();
  OperationGuard(OperationGuard&& other) noexcept;
  OperationGuard(const OperationGuard&) = delete;
  OperationGuard& operator=(const OperationGuard&) = delete;
  OperationGuard& operator=(OperationGuard&&) = delete;

 private:
  bool owns_ = true;
  int exceptions_;  // uncaught when it began: more at its end means it is being unwound
};

// Whether an operation runs.
bool operationRunning();
// Whether a close of the form waits for the running operation's end: work that can stop early
// (a transfer) ends itself then.
bool closeWaiting(const TForm& form);

namespace detail {
// TForm's side: a close noted while an operation runs (once per form), and a form that goes.
void noteClose(TForm& form);
void forgetForm(const TForm& form);
}  // namespace detail

}  // namespace riviza::ui
