// The injected file-system failures of the tests; see stoerung.h.
#include "stoerung.h"

#include <fcntl.h>
#include <sqlite3.h>

#include <cerrno>
#include <map>
#include <set>
#include <string_view>

#include "platform/codec.h"

namespace riviza::test {
namespace {

// ---- the platform's system calls ----

struct Zustand {
  Stoerung art = Stoerung::KeinAnlegen;
  std::string pfadTeil;
  int fehler = 0;
  std::set<int> volleDateien;
  int verweigert = 0;
};
Zustand gZustand;

struct SchrittZustand {
  bool aktiv = false;
  int fehlerBei = 0;
  unsigned arten = 0;
  std::function<void(int)> vor;
  int anzahl = 0;
  std::vector<std::string> liste;
  std::map<int, std::string> dateien;  // descriptor -> path, for the list
};
SchrittZustand gSchritte;

// Counts the step when its kind is watched; true when it is the one to fail.
bool schritt(Schritte::Art art, std::string was) {
  if (!gSchritte.aktiv || !(gSchritte.arten & art)) return false;
  const int n = ++gSchritte.anzahl;
  gSchritte.liste.push_back(std::move(was));
  if (gSchritte.vor) gSchritte.vor(n);
  return n == gSchritte.fehlerBei;
}

const platform::SysCalls& echt() { return platform::realSysCalls(); }

bool betroffen(const char* pfad) {
  return !gZustand.pfadTeil.empty() &&
         std::string_view(pfad).find(gZustand.pfadTeil) != std::string_view::npos;
}

int stoerendesOpen(const char* pfad, int flags, mode_t mode) {
  const bool anlegen = (flags & O_CREAT) && betroffen(pfad);
  if (anlegen && gZustand.art == Stoerung::KeinAnlegen) {
    errno = gZustand.fehler;
    return -1;
  }
  const int fd = echt().open(pfad, flags, mode);
  if (anlegen && fd >= 0 && gZustand.art == Stoerung::PlatteVoll) gZustand.volleDateien.insert(fd);
  return fd;
}

ssize_t stoerendesWrite(int fd, const void* daten, size_t n) {
  if (gZustand.volleDateien.count(fd)) {
    errno = ENOSPC;
    return -1;
  }
  return echt().write(fd, daten, n);
}

int stoerendesClose(int fd) {
  gZustand.volleDateien.erase(fd);
  return echt().close(fd);
}

int stoerendesRename(const char* von, const char* nach) {
  if (gZustand.art == Stoerung::KeinUmbenennen && !gZustand.pfadTeil.empty() &&
      std::string_view(von).ends_with(gZustand.pfadTeil)) {
    errno = EXDEV;
    return -1;
  }
  return echt().rename(von, nach);
}

std::string dateiVon(int fd) {
  auto it = gSchritte.dateien.find(fd);
  return it == gSchritte.dateien.end() ? "#" + std::to_string(fd) : it->second;
}

int schrittOpen(const char* pfad, int flags, mode_t mode) {
  if ((flags & O_CREAT) && schritt(Schritte::Anlegen, std::string("create ") + pfad)) {
    errno = ENOSPC;
    return -1;
  }
  const int fd = echt().open(pfad, flags, mode);
  if (fd >= 0) gSchritte.dateien[fd] = pfad;
  return fd;
}

ssize_t schrittWrite(int fd, const void* daten, size_t n) {
  if (schritt(Schritte::Schreiben, "write " + dateiVon(fd))) {
    errno = EIO;
    return -1;
  }
  return echt().write(fd, daten, n);
}

ssize_t schrittPwrite(int fd, const void* daten, size_t n, off_t at) {
  if (schritt(Schritte::Schreiben, "write " + dateiVon(fd))) {
    errno = EIO;
    return -1;
  }
  return echt().pwrite(fd, daten, n, at);
}

// A kill of the process, unlike a power failure, keeps what was written without a sync: the
// counted syncs do not wait for the disk, so that a test can run an operation once per step.
int schrittFsync(int fd) {
  if (schritt(Schritte::Sync, "sync " + dateiVon(fd))) {
    errno = EIO;
    return -1;
  }
  return 0;
}

int schrittFtruncate(int fd, off_t size) {
  if (schritt(Schritte::Kuerzen, "truncate " + dateiVon(fd))) {
    errno = EIO;
    return -1;
  }
  return echt().ftruncate(fd, size);
}

int schrittRename(const char* von, const char* nach) {
  if (schritt(Schritte::Umbenennen, std::string("rename ") + von + " -> " + nach)) {
    errno = EXDEV;
    return -1;
  }
  return echt().rename(von, nach);
}

int schrittUnlink(const char* pfad) {
  if (schritt(Schritte::Loeschen, std::string("delete ") + pfad)) {
    errno = EACCES;
    return -1;
  }
  return echt().unlink(pfad);
}

int schrittClose(int fd) {
  gSchritte.dateien.erase(fd);
  return echt().close(fd);
}

// ---- SQLite's file system ----
// A VFS over the default one, registered as the default while a failure is injected (and kept
// registered after, passing everything through, for the connections opened meanwhile). Each
// file it opens keeps the default's methods but for the ones that change the file.

struct Datei {
  std::string name;
  bool hauptdatei = false;
  const sqlite3_io_methods* basis = nullptr;
};
std::map<sqlite3_file*, Datei> gDateien;
std::map<const sqlite3_io_methods*, sqlite3_io_methods> gHuellen;
sqlite3_vfs* gBasis = nullptr;
sqlite3_vfs gVfs{};
int gAktiv = 0;  // ScopedStoerung(TabelleVoll), Schritte and OhneSync that use the VFS
bool gOhneSync = false;

const Datei& datei(sqlite3_file* f) { return gDateien.at(f); }

bool tabelleVoll(const Datei& d) {
  return gZustand.art == Stoerung::TabelleVoll && d.hauptdatei && !gZustand.pfadTeil.empty() &&
         platform::toLowerAscii(d.name).ends_with(platform::toLowerAscii(gZustand.pfadTeil));
}

int huelleWrite(sqlite3_file* f, const void* daten, int n, sqlite3_int64 at) {
  const Datei& d = datei(f);
  if (gAktiv && tabelleVoll(d)) {
    ++gZustand.verweigert;
    return SQLITE_FULL;
  }
  if (schritt(Schritte::Schreiben, "sqlite write " + d.name)) return SQLITE_IOERR_WRITE;
  return d.basis->xWrite(f, daten, n, at);
}

int huelleTruncate(sqlite3_file* f, sqlite3_int64 size) {
  const Datei& d = datei(f);
  if (schritt(Schritte::Kuerzen, "sqlite truncate " + d.name)) return SQLITE_IOERR_TRUNCATE;
  return d.basis->xTruncate(f, size);
}

int huelleSync(sqlite3_file* f, int flags) {
  const Datei& d = datei(f);
  if (schritt(Schritte::Sync, "sqlite sync " + d.name)) return SQLITE_IOERR_FSYNC;
  return gSchritte.aktiv || gOhneSync ? SQLITE_OK : d.basis->xSync(f, flags);
}

int huelleClose(sqlite3_file* f) {
  const sqlite3_io_methods* basis = datei(f).basis;
  gDateien.erase(f);
  return basis->xClose(f);
}

int huelleOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* aus) {
  if ((flags & SQLITE_OPEN_CREATE) && name &&
      schritt(Schritte::Anlegen, std::string("sqlite create ") + name))
    return SQLITE_CANTOPEN;
  const int rc = gBasis->xOpen(gBasis, name, f, flags, aus);
  if (rc != SQLITE_OK || !f->pMethods) return rc;
  const sqlite3_io_methods* basis = f->pMethods;
  auto [it, neu] = gHuellen.try_emplace(basis, *basis);
  if (neu) {
    it->second.xWrite = huelleWrite;
    it->second.xTruncate = huelleTruncate;
    it->second.xSync = huelleSync;
    it->second.xClose = huelleClose;
  }
  gDateien[f] = {name ? name : "", (flags & SQLITE_OPEN_MAIN_DB) != 0, basis};
  f->pMethods = &it->second;
  return rc;
}

int huelleDelete(sqlite3_vfs*, const char* name, int syncDir) {
  if (schritt(Schritte::Loeschen, std::string("sqlite delete ") + name)) return SQLITE_IOERR_DELETE;
  return gBasis->xDelete(gBasis, name, syncDir);
}

void vfsEin() {
  if (gAktiv++ > 0) return;
  if (!gBasis) {
    gBasis = sqlite3_vfs_find(nullptr);
    gVfs = *gBasis;
    gVfs.zName = "riviza_stoerung";
    gVfs.xOpen = huelleOpen;
    gVfs.xDelete = huelleDelete;
  }
  sqlite3_vfs_register(&gVfs, 1);
}

void vfsAus() {
  if (--gAktiv > 0) return;
  sqlite3_vfs_register(gBasis, 1);
}

platform::SysCalls stoerendeTabelle(Stoerung art, std::string pfadTeil, int fehler) {
  gZustand = {art, std::move(pfadTeil), fehler, {}, 0};
  if (art == Stoerung::TabelleVoll) vfsEin();
  platform::SysCalls t = echt();
  t.open = stoerendesOpen;
  t.write = stoerendesWrite;
  t.close = stoerendesClose;
  t.rename = stoerendesRename;
  return t;
}

platform::SysCalls schrittTabelle(int fehlerBei, unsigned arten, std::function<void(int)> vor) {
  gSchritte = {true, fehlerBei, arten, std::move(vor), 0, {}, {}};
  vfsEin();
  platform::SysCalls t = echt();
  t.open = schrittOpen;
  t.write = schrittWrite;
  t.pwrite = schrittPwrite;
  t.fsync = schrittFsync;
  t.ftruncate = schrittFtruncate;
  t.rename = schrittRename;
  t.unlink = schrittUnlink;
  t.close = schrittClose;
  return t;
}

}  // namespace

ScopedStoerung::ScopedStoerung(Stoerung art, std::string pfadTeil, int fehler)
    : aktiv_(stoerendeTabelle(art, std::move(pfadTeil), fehler)) {}

ScopedStoerung::~ScopedStoerung() {
  if (gZustand.art == Stoerung::TabelleVoll) vfsAus();
  const int verweigert = gZustand.verweigert;
  gZustand = {};
  gZustand.verweigert = verweigert;
}

int ScopedStoerung::verweigert() { return gZustand.verweigert; }

namespace {
int keinSync(int) { return 0; }
platform::SysCalls ohneSyncTabelle() {
  gOhneSync = true;
  vfsEin();
  platform::SysCalls t = platform::sys();
  t.fsync = keinSync;
  return t;
}
}  // namespace

OhneSync::OhneSync() : aktiv_(ohneSyncTabelle()) {}

OhneSync::~OhneSync() {
  gOhneSync = false;
  vfsAus();
}

Schritte::Schritte(int fehlerBei, unsigned arten, std::function<void(int)> vorSchritt)
    : aktiv_(schrittTabelle(fehlerBei, arten, std::move(vorSchritt))) {}

Schritte::~Schritte() {
  gSchritte.aktiv = false;
  gSchritte.vor = {};
  vfsAus();
}

int Schritte::anzahl() const { return gSchritte.anzahl; }
const std::vector<std::string>& Schritte::liste() const { return gSchritte.liste; }

}  // namespace riviza::test
