// The maker's update server for the update tests: a loopback HTTP server publishing files
// under the update folder, with RIVIZA_UPDATE_SERVER pointing at it while the object lives;
// the fixture the update tests start from; and pressing an update button and letting messages
// run until its chain has ended.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/Riviza1.h"
#include "maintenance/update_online.h"
#include "net/curl_util.h"
#include "platform/pump.h"
#include "shell_fixture.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

namespace riviza::test {

inline constexpr const char* kUpdateOrdner = "/OrvelTessaro/orvel_update/";

// A line of the update list at the shell fixture's clock: date, time, two blanks, the text.
inline std::string z(std::string_view text) { return "15.03.2024 10:30:00  " + std::string(text); }

struct UpdateServer {
  std::filesystem::path pfad(std::string_view name) const {
    return dir / ("www" + std::string(kUpdateOrdner) + std::string(name));
  }
  void veroeffentlichen(std::string_view name, std::string_view bytes) const {
    dir.write("www" + std::string(kUpdateOrdner) + std::string(name), bytes);
  }
  void paket(std::string_view name, const std::vector<std::pair<std::string, std::string>>& eintraege) const {
    std::filesystem::create_directories(pfad(""));
    makeZip(pfad(name), eintraege);
  }
  // The answering rules (http_fixture.py), paths given below the update folder.
  void regeln(const std::vector<std::pair<std::string, std::string>>& regeln) const {
    std::string json = "{";
    for (const auto& [name, regel] : regeln)
      json += (json.size() > 1 ? ", \"" : "\"") + std::string(kUpdateOrdner) + name + "\": " + regel;
    http.setRules(json + "}");
  }
  // The request lines seen so far ("GET /... HTTP/1.0").
  std::vector<std::string> anfragen() const {
    std::vector<std::string> out;
    for (const std::string& r : http.requests()) out.push_back(r.substr(0, r.find('\n')));
    return out;
  }
  static std::string anfrage(std::string_view datei) {
    return "GET " + std::string(kUpdateOrdner) + std::string(datei) + " HTTP/1.0";
  }

  TempDir dir;
  HttpServer http{dir / "www"};
  ScopedEnv umleitung{net::kUpdateServerVariable, http.hostPort()};
};

// The shell fixture with the year 2024 started and the form shown: where the update tests begin.
class UpdateTab : public Shell {
 protected:
  UpdateTab() {
    platform::runPostedTasks();
    dakota4();
    programmIni();
    jahr("2024");
    form->show();
    starten();
  }

  // A program started afresh on the same installation (after an update closed the form).
  void neuStarten() {
    form.reset();
    resetGlobals();
    form = std::make_unique<TFormEinstellungen>();
    form->show();
    starten();
  }

  std::vector<std::string> zeilen() const { return form->ListBoxLiveUpdate->items().lines(); }
};

inline void warten(UpdateArt art) {
  while (UpdateKetteAktiv(art)) platform::waitForMessages();
}

inline void drueckenUndWarten(TFormEinstellungen& form, UpdateArt art) {
  (art == UpdateArt::Programm ? form.BitBtnLiveUpdate : form.BitBtnKost)->click();
  warten(art);
}

}  // namespace riviza::test
