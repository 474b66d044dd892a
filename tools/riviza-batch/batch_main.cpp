// riviza-batch (tool): the start of the form model, the dialogs that answer for the user, the
// list printing, the end signals and the exit status; see batch.h.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Diviveve1.h"
#include "batch.h"
#include "forms/DiviveveLe1.h"
#include "forms/Riviza1.h"
#include "forms/RivizaAdr1.h"
#include "forms/globals.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/pump.h"
#include "platform/signals.h"
#include "ui/dialogs.h"
#include "ui/form.h"
#include "ui/lists.h"

namespace riviza::batch {

namespace {

std::vector<OperationEintrag>& registry() {
  static std::vector<OperationEintrag> eintraege;
  return eintraege;
}

int gFehler = 0;

const char* antwortText(ui::DlgResult r) {
  switch (r) {
    case ui::DlgResult::Yes:
      return "Ja";
    case ui::DlgResult::No:
      return "Nein";
    case ui::DlgResult::Ok:
      return "OK";
    case ui::DlgResult::Cancel:
    case ui::DlgResult::Abort:
      return "Abbrechen";
    case ui::DlgResult::Retry:
      return "Wiederholen";
    case ui::DlgResult::Ignore:
      return "Ignorieren";
    case ui::DlgResult::None:
      break;
  }
  return "";
}

// Prints every dialog to stdout and answers questions with the session's answer: Yes or OK for
// --ja, No or Cancel for --nein (a box with OK alone is always OK).
class BatchDialogs : public ui::Dialogs {
 public:
  explicit BatchDialogs(bool ja) : ja_(ja) { ui::setDialogs(this); }
  ~BatchDialogs() override { ui::setDialogs(nullptr); }
  BatchDialogs(const BatchDialogs&) = delete;
  BatchDialogs& operator=(const BatchDialogs&) = delete;

  ui::DlgResult messageBox(const std::string& text, const std::string& caption, ui::MsgIcon icon,
                           ui::DlgButtons buttons) override {
    if (icon == ui::MsgIcon::Error || caption == "Fehler !") ++gFehler;
    return zeigen(caption, text, buttons);
  }
  ui::DlgResult messageDlg(const std::string& text, ui::DlgType type, ui::DlgButtons buttons) override {
    if (type == ui::DlgType::Error) ++gFehler;
    return zeigen("Dialog", text, buttons);
  }
  void showMessage(const std::string& text) override { zeigen("Meldung", text, ui::DlgButtons::Ok); }
  std::optional<std::string> browseForFolder(const ui::FolderRequest& request) override {
    vorher();
    std::printf("[Ordner] %s: abgebrochen\n", request.title.c_str());
    return std::nullopt;
  }
  void showText(const std::string& title, const std::string& text) override {
    vorher();
    std::printf("[%s]\n%s\n", title.c_str(), text.c_str());
  }
  // Runs before anything is shown: the list lines logged so far come first, in the order they
  // happened (a box used to overtake them until the next message pump).
  std::function<void()> vorher = [] {};

 private:
  ui::DlgResult zeigen(const std::string& caption, const std::string& text, ui::DlgButtons buttons) {
    vorher();
    ui::DlgResult antwort = ui::DlgResult::Ok;
    switch (buttons) {
      case ui::DlgButtons::Ok:
        antwort = ui::DlgResult::Ok;
        break;
      case ui::DlgButtons::OkCancel:
        antwort = ja_ ? ui::DlgResult::Ok : ui::DlgResult::Cancel;
        break;
      case ui::DlgButtons::YesNo:
      case ui::DlgButtons::YesNoCancel:
        antwort = ja_ ? ui::DlgResult::Yes : ui::DlgResult::No;
        break;
      case ui::DlgButtons::YesCancel:
        antwort = ja_ ? ui::DlgResult::Yes : ui::DlgResult::Cancel;
        break;
      case ui::DlgButtons::RetryCancel:
        antwort = ui::DlgResult::Cancel;
        break;
      case ui::DlgButtons::AbortRetryIgnore:
        antwort = ui::DlgResult::Abort;
        break;
    }
    std::printf("[%s] %s", caption.c_str(), text.c_str());
    if (buttons != ui::DlgButtons::Ok) std::printf(" -> %s", antwortText(antwort));
    std::printf("\n");
    std::fflush(stdout);
    return antwort;
  }
  bool ja_;
};

// Prints the lines the form's lists gained since the last call: the update, reorganisation and
// statistics lists, whichever the form has.
class ListenDrucker {
 public:
  explicit ListenDrucker(TFormEinstellungen& form) {
    for (const char* name : {"ListBoxLiveUpdate", "ListBoxReorg", "ListBoxStat01"})
      if (auto* liste = dynamic_cast<ui::TListBox*>(form.findComponent(name))) gedruckt_[liste] = 0;
  }
  void drucken() {
    for (auto& [liste, anzahl] : gedruckt_) {
      const auto& zeilen = liste->items().lines();
      if (zeilen.size() < anzahl) anzahl = 0;  // the list was cleared
      for (; anzahl < zeilen.size(); ++anzahl) std::printf("%s\n", zeilen[anzahl].c_str());
    }
    std::fflush(stdout);
  }

 private:
  std::map<ui::TListBox*, size_t> gedruckt_;
};

// The end signals (platform/signals.h) close the form as "&Beenden" does, the window's one
// mechanism: they are looked at whenever messages run, and a wait for the events of other threads
// (an update's chain) wakes up for them as for a posted event. The close of a running operation
// waits for its end.
class SignalWache {
 public:
  explicit SignalWache(ui::TForm& form) : form_(form), signale_(platform::watchEndSignals()) {
    if (signale_ < 0 || ::pipe2(wecker_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    platform::setWakeHook([fd = wecker_[1]] {
      const char byte = 1;
      (void)!::write(fd, &byte, 1);
    });
    platform::setWaitHook([this] { warten(); });
  }
  ~SignalWache() {
    platform::setWaitHook({});
    platform::setWakeHook({});
    for (int fd : wecker_)
      if (fd >= 0) ::close(fd);
  }
  SignalWache(const SignalWache&) = delete;
  SignalWache& operator=(const SignalWache&) = delete;

  // Closes the form for the first signal that came; a second one ends the process by itself.
  void pruefen() {
    while (const std::optional<int> s = platform::takeEndSignal()) {
      if (signal_) continue;
      signal_ = *s;
      form_.close();
    }
  }
  const std::optional<int>& signal() const { return signal_; }

 private:
  void warten() {
    pollfd fds[2] = {{signale_, POLLIN, 0}, {wecker_[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
    }
    char puffer[64];
    while (::read(wecker_[0], puffer, sizeof puffer) > 0) {
    }
  }

  ui::TForm& form_;
  const int signale_;
  int wecker_[2] = {-1, -1};
  std::optional<int> signal_;
};

void nutzung(FILE* out) {
  std::fprintf(out,
               "Aufruf: riviza-batch PROGRAMMORDNER OPERATION [ARGUMENTE] [--ja|--nein]\n\nOperationen:\n");
  for (const OperationEintrag& op : registry())
    std::fprintf(out, "  %s%s%s\n      %s\n", op.name, *op.aufruf ? " " : "", op.aufruf, op.zweck);
}

const OperationEintrag* finden(const std::string& name) {
  for (const OperationEintrag& op : registry())
    if (name == op.name) return &op;
  return nullptr;
}

}  // namespace

Registrierung::Registrierung(OperationEintrag eintrag) { registry().push_back(eintrag); }

const std::vector<OperationEintrag>& operationen() { return registry(); }

int fehlerAnzahl() { return gFehler; }

namespace {

struct Aufruf {
  std::string programmOrdner;
  const OperationEintrag* op = nullptr;
  std::vector<std::string> args;
  bool ja = true;
};

// The command line checked and the program folder made the current folder; the exit status
// when there is nothing to run (help, a usage error, a missing folder).
std::optional<int> aufrufLesen(int argc, char** argv, Aufruf& aufruf) {
  std::vector<std::string> worte;
  for (int i = 1; i < argc; ++i) {
    std::string wort = argv[i];
    if (wort == "--help" || wort == "-h") {
      nutzung(stdout);
      return 0;
    }
    if (wort == "--ja")
      aufruf.ja = true;
    else if (wort == "--nein")
      aufruf.ja = false;
    else
      worte.push_back(std::move(wort));
  }
  if (worte.size() < 2) {
    nutzung(stderr);
    return 2;
  }
  aufruf.op = finden(worte[1]);
  if (!aufruf.op) {
    std::fprintf(stderr, "riviza-batch: unbekannte Operation: %s\n\n", worte[1].c_str());
    nutzung(stderr);
    return 2;
  }
  aufruf.programmOrdner = worte[0];
  aufruf.args.assign(worte.begin() + 2, worte.end());
  if (!platform::directoryExists(aufruf.programmOrdner)) {
    std::fprintf(stderr, "riviza-batch: Programmordner nicht gefunden: %s\n", aufruf.programmOrdner.c_str());
    return 2;
  }
  if (::chdir(platform::nativePath(aufruf.programmOrdner).c_str()) != 0) {
    std::fprintf(stderr, "riviza-batch: Programmordner nicht lesbar: %s\n", aufruf.programmOrdner.c_str());
    return 2;
  }
  return std::nullopt;
}

// The started form's operation; its exit status.
int operationAusfuehren(const Aufruf& aufruf, TFormEinstellungen& form, ListenDrucker& listen) {
  const Globals& g = globals();
  if (g.FehlerAufgetreten || g.DatenPfad.empty() || g.JahrPfad.empty()) {
    std::fprintf(stderr, "riviza-batch: der Start hat kein Abrechnungsjahr erreicht\n");
    return 1;
  }
  if (g.JahrInNutzung) {
    std::fprintf(stderr, "riviza-batch: das Abrechnungsjahr wird von einem anderen Programm benutzt\n");
    return 1;
  }
  Sitzung sitzung{form, aufruf.args, aufruf.ja};
  try {
    const int fehlerVorher = gFehler;
    const bool ok = aufruf.op->ausfuehren(sitzung);
    sitzung.vorgang.reset();  // a close a signal asked for meanwhile is carried out here
    listen.drucken();
    return ok && gFehler == fehlerVorher ? 0 : 1;
  } catch (const Nutzungsfehler& e) {
    std::fprintf(stderr, "riviza-batch %s: %s\nAufruf: riviza-batch PROGRAMMORDNER %s %s\n", aufruf.op->name,
                 e.what(), aufruf.op->name, aufruf.op->aufruf);
    return 2;
  }
}

}  // namespace

int ausfuehren(int argc, char** argv) {
  Aufruf aufruf;
  if (const std::optional<int> ende = aufrufLesen(argc, argv, aufruf)) return *ende;
  BatchDialogs antworten(aufruf.ja);
  if (!VuzarodedSperreAnlegen()) return 1;
  if (!EinzelinstanzSperreAnlegen()) {
    VuzarodedSperreFreigeben();
    return 1;
  }
  int status = 1;
  {
    ui::TApplication application;
    auto& form = application.createForm<TFormEinstellungen>();
    application.createForm<TFormAdressen>();
    application.createForm<TFormLe>();
    ListenDrucker listen(form);
    SignalWache wache(form);
    platform::setMessagePump([&listen, &wache] {
      listen.drucken();
      wache.pruefen();
    });
    antworten.vorher = [&listen] { listen.drucken(); };
    form.show();
    form.Timer1->fire();
    wache.pruefen();
    listen.drucken();
    if (!wache.signal()) status = operationAusfuehren(aufruf, form, listen);
    wache.pruefen();
    if (form.visible()) form.close();  // an operation or a signal may have closed it
    listen.drucken();
    platform::setMessagePump({});
    antworten.vorher = [] {};
    if (const std::optional<int>& s = wache.signal()) {
      std::fprintf(stderr, "riviza-batch: durch das Signal SIG%s beendet\n", ::sigabbrev_np(*s));
      status = 1;
    }
  }
  EinzelinstanzSperreFreigeben();
  VuzarodedSperreFreigeben();
  return status;
}

}  // namespace riviza::batch

int main(int argc, char** argv) { return riviza::batch::ausfuehren(argc, argv); }
