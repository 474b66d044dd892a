// File-system failures of the tests, injected for a scope (shared by the tests of every folder):
// through the platform's table of system calls (platform/syscalls.h) for the program's own file
// access, and through a SQLite file system wrapped around the default one for the tables'. One
// place for both, so that each failure is made the same way everywhere.
//
// ScopedStoerung makes one kind of failure, matched by native path: a file that cannot be
// created, a disk that fills up, a rename across file systems, a table file whose writes fail.
// Schritte counts the steps that change files (below) and can fail, or stop the process at, the
// n-th of them: a test runs an operation once to count its steps, then once per step with that
// step failing, and checks that every file is as before or as after a good run.
#pragma once

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "platform/syscalls.h"

namespace riviza::test {

enum class Stoerung {
  KeinAnlegen,     // creating a file fails with the given errno (EACCES, ENOSPC, ...)
  PlatteVoll,      // a file is created, every write into it fails with ENOSPC
  KeinUmbenennen,  // a rename of a path ending in the part fails with EXDEV
  TabelleVoll,     // SQLite's writes into the table file whose name ends with the part (ignoring
                   // case) fail as on a full disk: the commit that would write its pages fails
};

// Injects the failure for files whose native path contains `pfadTeil` (KeinUmbenennen: ends with
// it); an empty part injects nothing. One at a time.
class ScopedStoerung {
 public:
  ScopedStoerung(Stoerung art, std::string pfadTeil, int fehler = EACCES);
  ~ScopedStoerung();
  ScopedStoerung(const ScopedStoerung&) = delete;
  ScopedStoerung& operator=(const ScopedStoerung&) = delete;

  // TabelleVoll: the writes refused so far.
  static int verweigert();

 private:
  platform::ScopedSysCalls aktiv_;
};

// The steps that change files, in the order they happen: of the platform layer every create
// (open with O_CREAT), write, sync, truncate, rename and deletion; of SQLite every create,
// write, sync, truncate and deletion of a database or journal file. While a Schritte lives it
// counts them; the step numbered `fehlerBei` (from 1; 0: none) fails, the platform's with EIO
// (a create with ENOSPC, a rename with EXDEV), SQLite's with its I/O error of that kind.
// `vorSchritt` runs before every counted step with its number (a test's child process kills
// itself there). Only the kinds in `arten` are counted. Syncs do not wait for the disk while a
// Schritte lives (a killed process loses nothing unsynced; a machine that goes down is not what
// these tests make). One at a time, not with ScopedStoerung.
class Schritte {
 public:
  enum Art : unsigned {
    Anlegen = 1,
    Schreiben = 2,
    Sync = 4,
    Kuerzen = 8,
    Umbenennen = 16,
    Loeschen = 32,
    Alle = 63,
  };
  explicit Schritte(int fehlerBei = 0, unsigned arten = Alle, std::function<void(int)> vorSchritt = {});
  ~Schritte();
  Schritte(const Schritte&) = delete;
  Schritte& operator=(const Schritte&) = delete;

  int anzahl() const;
  // Each step so far: its kind and file ("rename /a -> /b", "sqlite write /x/ErfBeleg.DB").
  const std::vector<std::string>& liste() const;

 private:
  platform::ScopedSysCalls aktiv_;
};

// While it lives no sync of the platform's or of SQLite's waits for the disk: a test that runs an
// operation hundreds of times (once per step) does not wait for the disk each time. Schritte
// inside it work as without.
class OhneSync {
 public:
  OhneSync();
  ~OhneSync();
  OhneSync(const OhneSync&) = delete;
  OhneSync& operator=(const OhneSync&) = delete;

 private:
  platform::ScopedSysCalls aktiv_;
};

}  // namespace riviza::test
