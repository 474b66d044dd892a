// The running operation, its noted closes and the hold on posted work (user-interface layer);
// see operation.h.
#include "ui/operation.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "platform/pump.h"
#include "ui/form.h"

namespace riviza::ui {
namespace {

struct State {
  int depth = 0;
  std::vector<TForm*> closes;  // in the order they were asked for
};

State& state() {
  static State s;
  return s;
}

}  // namespace

OperationGuard::OperationGuard() : exceptions_(std::uncaught_exceptions()) {
  if (state().depth++ == 0) platform::holdPostedTasks();
}

OperationGuard::OperationGuard(OperationGuard&& other) noexcept : exceptions_(other.exceptions_) {
  other.owns_ = false;
}

OperationGuard::~OperationGuard() {
  if (!owns_) return;
  State& s = state();
  if (s.depth > 1) {
    --s.depth;
    return;
  }
  if (std::uncaught_exceptions() > exceptions_) s.closes.clear();
  while (!s.closes.empty()) {
    TForm* form = s.closes.front();
    s.closes.erase(s.closes.begin());
    form->closeNow();
  }
  s.depth = 0;
  platform::releasePostedTasks();
}

bool operationRunning() { return state().depth > 0; }

bool closeWaiting(const TForm& form) {
  const auto& closes = state().closes;
  return std::find(closes.begin(), closes.end(), &form) != closes.end();
}

namespace detail {

void noteClose(TForm& form) {
  auto& closes = state().closes;
  if (std::find(closes.begin(), closes.end(), &form) == closes.end()) closes.push_back(&form);
}

void forgetForm(const TForm& form) { std::erase(state().closes, &form); }

}  // namespace detail

}  // namespace riviza::ui
