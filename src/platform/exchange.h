// Exchange: files and folders replaced all or nothing, through a journal on disk that the next
// start reads (platform layer).
//
// A change of several files is prepared beside them: each new file or folder is written under
// a staged name in its target's folder (the same file system, so that a rename never copies),
// and nothing the user has is touched meanwhile; the journal lists each staged name before it
// is made. commit() then
//   1. syncs every staged file and folder tree, so their contents are on disk before any name
//      changes;
//   2. writes the journal anew (as "<journal>.neu", synced, renamed into place, its folder
//      synced), saying that the renames begin: what the exchange is, each target with its staged
//      and aside names, and the tests by which a table commit inside the exchange can be told to
//      have happened;
//   3. renames each old target aside and the staged one into its place, in order, syncing the
//      folders;
//   4. runs the commit point when there is one (the tables' joint commit, db/table_set.h);
//   5. marks the journal done, removes the asides and then the journal.
// A failure in 1-4 renames back what 3 did, in reverse, removes the staged names and the
// journal: every target is as before, and the error says what failed. After 4 the exchange
// counts as done; a failure in 5 is reported as such (an aside or the journal left over, which
// the next start removes). A process killed before 2 leaves the journal of the preparation,
// from which the next start removes the staged names; one killed in 2-5 leaves the journal of
// the renames: recoverExchange() at the next start finishes the exchange when it was done
// (marked, or its commit test says the tables committed) and undoes it otherwise. An aside is removed only once the exchange is done, and a
// name already taken is never overwritten: nothing is deleted while it is the only copy.
//
// States and the calls that move between them:
//
//   Preparing --stageCopy/stageFile/stageFolder/replaceWith/removeAtCommit--> Preparing
//   Preparing --commit()--> Done (true) | Undone (the error)
//   Preparing, Undone --~Exchange--> (staged names removed)
//
// Invariants: one exchange per journal at a time (a journal on disk is an exchange not yet
// recovered, and refuses the next); the journal names only absolute native paths; a target is
// named once; its staged name and aside name lie in its folder and are free when staged.
//
// The journal is UTF-8 text, one record per line, fields separated by tabs:
//   RIVIZA-AUSTAUSCH 1
//   was <what the exchange is, for messages>
//   stand vorbereitet | stand umbenennen
//   ziel <target> <staged> <aside> <1 when the target existed, else 0>
//   ordner <a folder the exchange made, to go again when it is undone>
//   pruefung <a commit test's text>
//   fertig                                      (written once the exchange is done)
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace riviza::platform {

// The tables' commit inside an exchange: `run` commits; `tests` are kept in the journal, and
// the recovery asks its commit test with them whether `run` got through before a kill.
struct CommitPoint {
  std::function<Status()> run;
  std::vector<std::string> tests;
};

class Exchange {
 public:
  // `journal`: path text of the journal file; `what`: the exchange for messages
  // ("Reorganisation D:\Abrechng\2024\Daten").
  Exchange(std::string_view journal, std::string what);
  ~Exchange();
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  // The staged name of a file that replaces `target` (path text): empty, for the caller to
  // write. Asked again for the same target, the same name.
  Result<std::string> stageFile(std::string_view target);
  // The same, beginning as a copy of the target (empty when the target is missing): a settings
  // file whose keys the operation writes. The target must not be written otherwise until the
  // exchange has ended.
  Result<std::string> stageCopy(std::string_view target);
  // The staged name of a folder that replaces `target`, created empty (a leftover of that name
  // removed first); `staged` and `aside` name it and the old target's place when given
  // (defaults: target + "~neu", target + "~alt"), in the target's folder.
  Result<std::string> stageFolder(std::string_view target, std::string_view staged = {},
                                  std::string_view aside = {});
  // `staged` (a file or folder the caller built in the target's folder) replaces `target`; the
  // old target goes to `aside` until the exchange is done (default: target + "~alt").
  Status replaceWith(std::string_view target, std::string_view staged, std::string_view aside = {});
  // `target` goes at the commit (kept aside until the exchange is done).
  Status removeAtCommit(std::string_view target);
  // Makes a folder (with its missing parents) now, for staged files inside it; the folders it
  // made go again (while empty) when the exchange does not happen.
  Status makeFolders(std::string_view folder);

  Status commit(const CommitPoint& point = {});
  bool done() const { return done_; }
  // A failed commit could not rename everything back: the journal stays, and the next start's
  // recovery restores the old files (until then some targets may be the new ones).
  bool restorePending() const { return renaming_ && !done_; }

  void assertInvariants() const;

 private:
  struct Entry {
    std::string target, staged, aside;  // native, absolute
    bool existed = false;
    bool ownStaged = false;  // staged by this object: removed when the exchange does not happen
  };
  Result<Entry*> add(std::string_view target, std::string staged, std::string aside, bool own);
  Entry* find(const std::string& target);
  enum class Stand { Vorbereitet, Umbenennen, Fertig };
  Status writeJournal(Stand stand, const std::vector<std::string>& tests = {});
  void undo(size_t renamed);
  Status syncFolders() const;  // the targets' folders, each once
  Status finish();

  std::string journal_;  // native
  std::string what_;
  std::vector<Entry> entries_;
  std::vector<std::string> folders_;  // made by makeFolders, outermost first (native)
  bool prepared_ = false;  // the journal lists what is being staged
  bool renaming_ = false;  // the journal says the renames may have begun
  bool done_ = false;
};

// What the start-up's recovery did with a journal a killed process left.
struct Recovery {
  enum class Outcome { None, Finished, Undone, Failed };
  Outcome outcome = Outcome::None;
  std::string what;     // the exchange, from its journal
  std::string message;  // Failed: why (the journal stays for the next start)
};

// The commit test of a journal's "pruefung" lines: true when the tables committed.
using CommitTest = std::function<Result<bool>(const std::vector<std::string>& tests)>;

// Reads the journal (path text), when there is one, and finishes or undoes its exchange; the
// journal is removed when that succeeded. Without commit tests in the journal `committed` is
// not asked.
Recovery recoverExchange(std::string_view journal, const CommitTest& committed);

// Syncs a file, or a folder with everything in it, to the disk (fsync of every file and folder).
Status syncTree(std::string_view pathText);

}  // namespace riviza::platform
