// File-system failures of the form-library scenario tests, injected for a scope through the
// platform's table of system calls (platform/syscalls.h) and matched by native path: a file
// that cannot be created, a disk that fills up, a rename across file systems. One table for
// every folder's tests, so that each failure is made the same way everywhere.
#pragma once

#include <cerrno>
#include <string>

#include "platform/syscalls.h"

namespace riviza::test {

enum class Stoerung {
  KeinAnlegen,     // creating a file fails with the given errno (EACCES, ENOSPC, ...)
  PlatteVoll,      // a file is created, every write into it fails with ENOSPC
  KeinUmbenennen,  // a rename of a path ending in the part fails with EXDEV
};

// Injects the failure for files whose native path contains `pfadTeil` (KeinUmbenennen: ends with
// it); an empty part injects nothing. One at a time.
class ScopedStoerung {
 public:
  ScopedStoerung(Stoerung art, std::string pfadTeil, int fehler = EACCES);
  ~ScopedStoerung();
  ScopedStoerung(const ScopedStoerung&) = delete;
  ScopedStoerung& operator=(const ScopedStoerung&) = delete;

 private:
  platform::ScopedSysCalls aktiv_;
};

}  // namespace riviza::test
