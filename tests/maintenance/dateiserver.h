// The maker's file server for the SFTP and FTP update tests: a loopback server of either kind
// serving the update account (the program's own account constants, the password handed over
// through a pipe), with RIVIZA_UPDATE_SERVER pointing at it while the object lives and, for SFTP,
// its host key pinned through RIVIZA_UPDATE_HOSTKEY.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/globals.h"
#include "net/abruf.h"
#include "net/curl_util.h"
#include "support/http_server.h"
#include "support/temp_dir.h"
#include "support/transfer_servers.h"

namespace riviza::test {

struct Dateiserver {
  explicit Dateiserver(TransferServer::Art art, std::string ordner)
      : art(art),
        ordner(std::move(ordner)),
        server(art, dir / "konto", kUpdateKontoBenutzer, kUpdateKontoKennwort) {}

  void veroeffentlichen(std::string_view name, std::string_view bytes) const {
    dir.write("konto/" + ordner + std::string(name), bytes);
  }
  void paket(std::string_view name, const std::vector<std::pair<std::string, std::string>>& eintraege) const {
    std::filesystem::create_directories(dir / "konto" / ordner);
    makeZip(dir / "konto" / ordner / std::string(name), eintraege);
  }

  TempDir dir;
  TransferServer::Art art;
  std::string ordner;  // below the account's root, ending in "/"
  TransferServer server;
  ScopedEnv umleitung{net::kUpdateServerVariable, server.hostPort()};
};

// The update account's SFTP home with its folder orvel_update, the server's key pinned.
struct SftpServer : Dateiserver {
  SftpServer() : Dateiserver(TransferServer::Art::Sftp, "orvel_update/") {}
  ScopedEnv schluessel{net::kUpdateHostKeyVariable, server.fingerprint()};
};

// The FTP account with its folder /html/download_kassen.
struct FtpServer : Dateiserver {
  FtpServer() : Dateiserver(TransferServer::Art::Ftp, "html/download_kassen/") {}
};

}  // namespace riviza::test
