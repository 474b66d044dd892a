// One single-instance lock of the program entry: a named mutex and the message shown when
// another process holds it (application core).
//
// The two units that take such a lock (Diviveve1 for "Vuzaroded", Riviza1 for "Riviza") differ
// only in name and message. A lock that cannot be created for another reason (no runtime
// folder) does not stop the program, as a failed mutex creation did not stop the Windows one.
#pragma once

#include <optional>
#include <string>

#include "platform/mutex.h"

namespace riviza {

class InstanceLock {
 public:
  InstanceLock(std::string name, std::string heldMessage)
      : name_(std::move(name)), heldMessage_(std::move(heldMessage)) {}
  // False when another process holds the lock (after showing the message).
  bool take();
  void release() { mutex_.reset(); }

 private:
  std::string name_;
  std::string heldMessage_;
  std::optional<platform::NamedMutex> mutex_;
};

}  // namespace riviza
