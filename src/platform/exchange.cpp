// Files and folders replaced all or nothing, with the journal the next start reads (platform
// layer); see exchange.h.
#include "platform/exchange.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <filesystem>

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/syscalls.h"

namespace riviza::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kKopf = "RIVIZA-AUSTAUSCH 1";
constexpr std::string_view kStaged = "~neu";
constexpr std::string_view kAside = "~alt";

std::string absoluteNative(std::string_view text) {
  std::error_code ec;
  fs::path p = fs::absolute(nativePath(text), ec).lexically_normal();
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
}

bool isFolder(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string parentOf(const std::string& native) {
  const fs::path parent = fs::path(native).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

Status renameNative(const std::string& from, const std::string& to) {
  if (sys().rename(from.c_str(), to.c_str()) != 0)
    return errnoError(errno, "Umbenennen", pathText(from) + " nach " + pathText(to));
  return okStatus();
}

Status syncOne(const std::string& native, bool folder) {
  const int fd = sys().open(native.c_str(), O_RDONLY | (folder ? O_DIRECTORY : 0), 0);
  if (fd < 0) return errnoError(errno, "Auf den Datenträger schreiben", pathText(native));
  const bool synced = sys().fsync(fd) == 0;
  const int err = errno;
  sys().close(fd);
  if (!synced) return errnoError(err, "Auf den Datenträger schreiben", pathText(native));
  return okStatus();
}

Status syncNativeTree(const std::string& native) {
  if (!isFolder(native)) return syncOne(native, false);
  std::error_code ec;
  std::vector<std::string> inside;
  for (fs::directory_iterator it(native, ec), end; !ec && it != end; it.increment(ec))
    inside.push_back(it->path().string());
  if (ec) return errnoError(ec.value(), "Auf den Datenträger schreiben", pathText(native));
  for (const std::string& p : inside) RIVIZA_TRY(syncNativeTree(p));
  return syncOne(native, true);
}

Status removeNative(const std::string& native) {
  // A staged settings file may have the ini writer's new file beside it.
  if (const std::string beside = native + std::string(kIniWriteSuffix); exists(beside)) (void)sys().unlink(beside.c_str());
  if (!exists(native)) return okStatus();
  if (isFolder(native)) {
    std::error_code ec;
    fs::remove_all(native, ec);
    if (ec) return errnoError(ec.value(), "Löschen", pathText(native));
    return okStatus();
  }
  if (sys().unlink(native.c_str()) != 0) return errnoError(errno, "Löschen", pathText(native));
  return okStatus();
}

// A journal field must not break its line.
bool fieldSafe(std::string_view s) { return s.find_first_of("\t\n\r") == std::string_view::npos; }

struct Journal {
  std::string what;
  struct Entry {
    std::string target, staged, aside;
    bool existed = false;
  };
  std::vector<Entry> entries;
  std::vector<std::string> tests;
  std::vector<std::string> folders;
  bool renaming = false;  // the renames may have begun
  bool finished = false;
};

std::vector<std::string_view> split(std::string_view line, char sep) {
  std::vector<std::string_view> parts;
  for (size_t at = 0;;) {
    const size_t next = line.find(sep, at);
    parts.push_back(line.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
    if (next == std::string_view::npos) return parts;
    at = next + 1;
  }
}

Result<Journal> parseJournal(std::string_view text, const std::string& path) {
  Journal j;
  const auto lines = split(text, '\n');
  RIVIZA_CHECK_DATA(!lines.empty() && lines[0] == kKopf, EINVAL, "Journal unbekannter Art: " + path);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) continue;
    const size_t blank = line.find(' ');
    const std::string_view key = line.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    if (key == "was") {
      j.what = std::string(rest);
    } else if (key == "ziel") {
      const auto f = split(rest, '\t');
      RIVIZA_CHECK_DATA(f.size() == 4 && !f[0].empty() && fs::path(f[0]).is_absolute(), EINVAL,
                        "Journal beschädigt (Zeile " + std::to_string(i + 1) + "): " + displayPath(path));
      j.entries.push_back({std::string(f[0]), std::string(f[1]), std::string(f[2]), f[3] == "1"});
    } else if (key == "pruefung") {
      j.tests.emplace_back(rest);
    } else if (key == "ordner") {
      j.folders.emplace_back(rest);
    } else if (key == "stand") {
      RIVIZA_CHECK_DATA(rest == "vorbereitet" || rest == "umbenennen", EINVAL,
                        "Journal beschädigt (Zeile " + std::to_string(i + 1) + "): " + displayPath(path));
      j.renaming = rest == "umbenennen";
    } else if (key == "fertig") {
      j.finished = true;
    } else {
      return Error::make(EINVAL, "Journal beschädigt (Zeile " + std::to_string(i + 1) + "): " + displayPath(path));
    }
  }
  return j;
}

// The renames of one entry back, from whatever state a kill left them in.
Status undoEntry(const Journal::Entry& e) {
  if (e.existed && !e.aside.empty() && exists(e.aside)) {
    if (exists(e.target)) {
      // The new version stands in the target's place: it goes back to its staged name.
      if (e.staged.empty() || exists(e.staged))
        return Error::make(EEXIST, "nicht rückgängig zu machen, belegt: " + displayPath(pathText(e.target)));
      RIVIZA_TRY(renameNative(e.target, e.staged));
    }
    RIVIZA_TRY(renameNative(e.aside, e.target));
  } else if (!e.existed && !e.staged.empty() && exists(e.target) && !exists(e.staged)) {
    RIVIZA_TRY(renameNative(e.target, e.staged));
  }
  RIVIZA_TRY(syncOne(parentOf(e.target), true));
  return e.staged.empty() ? okStatus() : removeNative(e.staged);
}

Status finishEntry(const Journal::Entry& e, bool sync = true) {
  if (!e.staged.empty() && !exists(e.target) && exists(e.staged)) RIVIZA_TRY(renameNative(e.staged, e.target));
  if (!e.aside.empty()) RIVIZA_TRY(removeNative(e.aside));
  return sync ? syncOne(parentOf(e.target), true) : okStatus();
}

// Folders an exchange made, innermost first; one that is not empty (or gone) stays.
void removeFolders(const std::vector<std::string>& folders) {
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) (void)::rmdir(it->c_str());
}

Status removeJournal(const std::string& journal) {
  RIVIZA_TRY(removeNative(journal));
  return syncOne(parentOf(journal), true);
}

}  // namespace

Status syncTree(std::string_view text) { return syncNativeTree(absoluteNative(text)); }

// ---- Exchange ----

Exchange::Exchange(std::string_view journal, std::string what)
    : journal_(absoluteNative(journal)), what_(std::move(what)) {}

Exchange::~Exchange() {
  if (done_ || renaming_) return;  // renames not undone keep their journal for the next start
  for (const Entry& e : entries_)
    if (e.ownStaged) (void)removeNative(e.staged);
  removeFolders(folders_);
  if (prepared_) (void)removeJournal(journal_);
}

Exchange::Entry* Exchange::find(const std::string& target) {
  for (Entry& e : entries_)
    if (e.target == target) return &e;
  return nullptr;
}

Result<Exchange::Entry*> Exchange::add(std::string_view targetText, std::string staged, std::string aside,
                                       bool own) {
  if (renaming_ || done_) return Error::make(EINVAL, "Austausch schon festgeschrieben: " + what_);
  if (!prepared_ && exists(journal_))
    return Error::make(EEXIST, "Ein unterbrochener Vorgang ist noch nicht abgeschlossen: " + displayPath(pathText(journal_)));
  const std::string target = absoluteNative(targetText);
  if (find(target)) return Error::make(EEXIST, "Ziel doppelt im Austausch: " + displayPath(pathText(target)));
  if (aside.empty()) aside = target + std::string(kAside);
  const bool existed = exists(target);
  for (const std::string& name : {target, staged, aside})
    if (!fieldSafe(name)) return Error::make(EINVAL, "Pfad nicht verwendbar: " + displayPath(pathText(name)));
  // An aside name in use may hold the only copy of something: it is never overwritten.
  if (existed && exists(aside)) return Error::make(EEXIST, "Ordner oder Datei ist im Weg: " + displayPath(pathText(aside)));
  if (own && exists(staged)) RIVIZA_TRY(removeNative(staged));  // a failed run's leftover
  entries_.push_back({target, std::move(staged), existed ? std::move(aside) : std::string(), existed, own});
  // Listed before it is made: a kill while it is built leaves no name the next start does not
  // remove.
  if (Status st = writeJournal(Stand::Vorbereitet); !st) {
    entries_.pop_back();
    return st.error();
  }
  prepared_ = true;
  return &entries_.back();
}

Result<std::string> Exchange::stageFile(std::string_view target) {
  if (Entry* e = find(absoluteNative(target))) return pathText(e->staged);
  const std::string t = absoluteNative(target);
  auto e = add(target, t + std::string(kStaged), {}, true);
  if (!e) return e.error();
  return pathText((*e)->staged);
}

Result<std::string> Exchange::stageCopy(std::string_view target) {
  if (Entry* e = find(absoluteNative(target))) return pathText(e->staged);
  auto staged = stageFile(target);
  if (!staged) return staged.error();
  const Entry& e = entries_.back();
  if (Status st = e.existed ? copyFile(pathText(e.target), *staged) : writeFile(*staged, ""); !st) {
    // A half copy must not replace the file: the target leaves the exchange.
    (void)removeNative(e.staged);
    entries_.pop_back();
    (void)writeJournal(Stand::Vorbereitet);
    return st.error();
  }
  return staged;
}

Result<std::string> Exchange::stageFolder(std::string_view target, std::string_view staged,
                                          std::string_view aside) {
  const std::string t = absoluteNative(target);
  auto e = add(target, staged.empty() ? t + std::string(kStaged) : absoluteNative(staged),
               aside.empty() ? std::string() : absoluteNative(aside), true);
  if (!e) return e.error();
  RIVIZA_TRY(createDirectory(pathText((*e)->staged)));
  return pathText((*e)->staged);
}

Status Exchange::replaceWith(std::string_view target, std::string_view staged, std::string_view aside) {
  auto e = add(target, absoluteNative(staged), aside.empty() ? std::string() : absoluteNative(aside), false);
  if (!e) return e.error();
  if (!exists((*e)->staged)) return errnoError(ENOENT, "Austausch", pathText((*e)->staged));
  if (parentOf((*e)->staged) != parentOf((*e)->target))
    return Error::make(EXDEV, "nicht im Ordner des Ziels: " + displayPath(pathText((*e)->staged)));
  return okStatus();
}

Status Exchange::makeFolders(std::string_view folder) {
  if (renaming_ || done_) return Error::make(EINVAL, "Austausch schon festgeschrieben: " + what_);
  std::vector<std::string> neu;
  for (fs::path p = absoluteNative(folder); !p.empty() && !exists(p.string()); p = p.parent_path()) {
    if (!fieldSafe(p.string())) return Error::make(EINVAL, "Pfad nicht verwendbar: " + displayPath(pathText(p.string())));
    neu.insert(neu.begin(), p.string());
    if (p == p.parent_path()) break;
  }
  if (neu.empty()) return okStatus();
  folders_.insert(folders_.end(), neu.begin(), neu.end());
  // Listed before they are made, as the staged names are.
  RIVIZA_TRY(writeJournal(Stand::Vorbereitet));
  prepared_ = true;
  return forceDirectories(folder);
}

Status Exchange::removeAtCommit(std::string_view target) {
  auto e = add(target, {}, {}, false);
  return e ? okStatus() : Status(e.error());
}

Status Exchange::writeJournal(Stand stand, const std::vector<std::string>& tests) {
  std::string text = std::string(kKopf) + "\nwas " + what_ + "\nstand " +
                     (stand == Stand::Vorbereitet ? "vorbereitet" : "umbenennen") + "\n";
  for (const Entry& e : entries_)
    text += "ziel " + e.target + "\t" + e.staged + "\t" + e.aside + "\t" + (e.existed ? "1" : "0") + "\n";
  for (const std::string& f : folders_) text += "ordner " + f + "\n";
  for (const std::string& t : tests) {
    if (!fieldSafe(t)) return Error::make(EINVAL, "Prüfung nicht verwendbar: " + t);
    text += "pruefung " + t + "\n";
  }
  if (stand == Stand::Fertig) text += "fertig\n";
  const std::string neu = journal_ + ".neu";
  auto f = File::openNative(neu, File::Mode::Create);
  if (!f) return f.error();
  Status st = f->write(text);
  if (st) st = f->sync();
  if (st) st = f->close();
  if (st) st = renameNative(neu, journal_);
  if (st) st = syncOne(parentOf(journal_), true);
  if (!st) (void)sys().unlink(neu.c_str());
  return st;
}

// Back from the first `renamed` entries (all of whose renames ran) to the state before; the
// journal goes only when that succeeded, so that the next start can try again.
void Exchange::undo(size_t renamed) {
  Status st = okStatus();
  for (size_t i = renamed; i-- > 0;) {
    const Entry& e = entries_[i];
    Status back = undoEntry({e.target, e.staged, e.aside, e.existed});
    if (st) st = back;
  }
  if (st) removeFolders(folders_);
  if (st) st = removeJournal(journal_);
  renaming_ = !st.ok();
  prepared_ = false;
}

Status Exchange::commit(const CommitPoint& point) {
  if (done_) return okStatus();
  if (entries_.empty()) {
    // Nothing to rename: the commit point alone decides, and no journal is needed for it.
    Status st = point.run ? point.run() : okStatus();
    done_ = st.ok();
    if (done_ && prepared_) (void)removeJournal(journal_);
    return st;
  }
  if (renaming_) return Error::make(EINVAL, "Austausch unvollständig zurückgenommen: " + what_);
  for (const Entry& e : entries_) {
    if (e.staged.empty()) continue;
    if (!exists(e.staged)) return errnoError(ENOENT, "Austausch", pathText(e.staged));
    RIVIZA_TRY(syncNativeTree(e.staged));
  }
  RIVIZA_TRY(writeJournal(Stand::Umbenennen, point.tests));
  renaming_ = true;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    bool aside = false, placed = false;
    Status st = okStatus();
    if (e.existed) {
      st = exists(e.aside) ? Error::make(EEXIST, "Ordner oder Datei ist im Weg: " + displayPath(pathText(e.aside)))
                           : renameNative(e.target, e.aside);
      aside = st.ok();
    }
    if (st && !e.staged.empty()) {
      st = renameNative(e.staged, e.target);
      placed = st.ok();
    }
    if (!st) {
      const bool whole = aside || !e.existed ? (placed || e.staged.empty()) : false;
      if (aside && !whole && !renameNative(e.aside, e.target)) {
        renaming_ = true;  // the journal names the aside: the next start puts it back
        return st;
      }
      undo(whole ? i + 1 : i);
      return st;
    }
  }
  // The new names are on the disk before the tables commit: a machine that goes down after the
  // commit must not come back with the old names.
  if (Status st = syncFolders(); !st) {
    undo(entries_.size());
    return st;
  }
  if (point.run) {
    if (Status st = point.run(); !st) {
      undo(entries_.size());
      return st;
    }
  }
  // Without a table commit the mark is the commit point: an exchange not marked is undone.
  if (Status marked = writeJournal(Stand::Fertig, point.tests); !marked && !point.run) {
    undo(entries_.size());
    return marked;
  }
  done_ = true;
  return finish();
}

Status Exchange::syncFolders() const {
  std::vector<std::string> folders;
  for (const Entry& e : entries_)
    if (std::find(folders.begin(), folders.end(), parentOf(e.target)) == folders.end())
      folders.push_back(parentOf(e.target));
  for (const std::string& f : folders) RIVIZA_TRY(syncOne(f, true));
  return okStatus();
}

Status Exchange::finish() {
  Status st = okStatus();
  for (const Entry& e : entries_) {
    Status gone = finishEntry({e.target, e.staged, e.aside, e.existed}, false);
    if (st) st = gone;
  }
  if (st) st = syncFolders();
  if (st) st = removeJournal(journal_);
  if (!st)
    return Error::make(st.error().code, "Vorgang ausgeführt, Aufräumen unvollständig (" + st.error().message +
                                            "); der nächste Start räumt auf");
  return okStatus();
}

void Exchange::assertInvariants() const {
#ifndef NDEBUG
  assert(fs::path(journal_).is_absolute());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    assert(fs::path(e.target).is_absolute());
    assert(e.existed == !e.aside.empty());
    for (size_t k = 0; k < i; ++k) assert(entries_[k].target != e.target);
  }
#endif
}

// ---- recovery ----

Recovery recoverExchange(std::string_view journalText, const CommitTest& committed) {
  Recovery r;
  const std::string journal = absoluteNative(journalText);
  (void)sys().unlink((journal + ".neu").c_str());  // a journal never written whole: no exchange began
  if (!exists(journal)) return r;
  auto fail = [&](const std::string& why) {
    r.outcome = Recovery::Outcome::Failed;
    r.message = why;
    return r;
  };
  auto text = readFile(pathText(journal));
  if (!text) return fail(text.error().message);
  auto j = parseJournal(*text, pathText(journal));
  if (!j) return fail(j.error().message);
  r.what = j->what;
  bool done = j->finished;
  if (!j->renaming && !done) {
    // Still being prepared: only the staged names go.
    Status st = okStatus();
    for (const Journal::Entry& e : j->entries)
      if (st && !e.staged.empty()) st = removeNative(e.staged);
    if (st) removeFolders(j->folders);
    if (st) st = removeJournal(journal);
    if (!st) return fail(st.error().message);
    r.outcome = Recovery::Outcome::Undone;
    return r;
  }
  if (!done && !j->tests.empty()) {
    auto c = committed(j->tests);
    if (!c) return fail(c.error().message);
    done = *c;
  }
  Status st = okStatus();
  if (done) {
    for (const Journal::Entry& e : j->entries)
      if (st) st = finishEntry(e);
  } else {
    for (auto it = j->entries.rbegin(); it != j->entries.rend() && st; ++it) st = undoEntry(*it);
    if (st) removeFolders(j->folders);
  }
  if (st) st = removeJournal(journal);
  if (!st) return fail(st.error().message);
  r.outcome = done ? Recovery::Outcome::Finished : Recovery::Outcome::Undone;
  return r;
}

}  // namespace riviza::platform
