// The download components as components of a form (net layer): the HTTP download and the FTP
// client with an owner and a name (ui::TComponentOf), otherwise what this layer made them. They
// are the one place this layer meets the component model; the engines themselves know no form.
#pragma once

#include "net/HttpDownload.h"
#include "net/ftp_abruf.h"
#include "ui/nonvisual.h"

namespace riviza {

using THttpDownload = ui::TComponentOf<net::THttpDownload>;
using TIdFTP = ui::TComponentOf<net::FtpClient>;

}  // namespace riviza
