// The injected file-system failures of the scenario tests; see stoerung.h.
#include "stoerung.h"

#include <fcntl.h>

#include <cerrno>
#include <set>
#include <string_view>

namespace riviza::test {
namespace {

struct Zustand {
  Stoerung art = Stoerung::KeinAnlegen;
  std::string pfadTeil;
  int fehler = 0;
  std::set<int> volleDateien;
};
Zustand gZustand;

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
  const int fd = platform::realSysCalls().open(pfad, flags, mode);
  if (anlegen && fd >= 0 && gZustand.art == Stoerung::PlatteVoll) gZustand.volleDateien.insert(fd);
  return fd;
}

ssize_t stoerendesWrite(int fd, const void* daten, size_t n) {
  if (gZustand.volleDateien.count(fd)) {
    errno = ENOSPC;
    return -1;
  }
  return platform::realSysCalls().write(fd, daten, n);
}

int stoerendesClose(int fd) {
  gZustand.volleDateien.erase(fd);
  return platform::realSysCalls().close(fd);
}

int stoerendesRename(const char* von, const char* nach) {
  if (gZustand.art == Stoerung::KeinUmbenennen && !gZustand.pfadTeil.empty() &&
      std::string_view(von).ends_with(gZustand.pfadTeil)) {
    errno = EXDEV;
    return -1;
  }
  return platform::realSysCalls().rename(von, nach);
}

platform::SysCalls stoerendeTabelle(Stoerung art, std::string pfadTeil, int fehler) {
  gZustand = {art, std::move(pfadTeil), fehler, {}};
  platform::SysCalls t = platform::realSysCalls();
  t.open = stoerendesOpen;
  t.write = stoerendesWrite;
  t.close = stoerendesClose;
  t.rename = stoerendesRename;
  return t;
}

}  // namespace

ScopedStoerung::ScopedStoerung(Stoerung art, std::string pfadTeil, int fehler)
    : aktiv_(stoerendeTabelle(art, std::move(pfadTeil), fehler)) {}

ScopedStoerung::~ScopedStoerung() { gZustand = {}; }

}  // namespace riviza::test
