// The SFTP road of the two updates (form library, maintenance): the same fetches as the HTTP
// road from the maker's file server, then the same installation routines
// (update_installation.h). Taken when SftpWegGewaehlt() (update_online.h) says so.
#pragma once

namespace riviza {

void ProgrammUpdateSftp();
void KosttrUpdateSftp();

}  // namespace riviza
