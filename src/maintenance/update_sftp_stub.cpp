// Stand-in for the SFTP road until it is built (form library, maintenance); see update_sftp.h.
// Each says so in the update list and changes nothing.
#include "maintenance/update_liste.h"
#include "maintenance/update_sftp.h"

namespace riviza {

void ProgrammUpdateSftp() { UpdateProtokoll("  SFTP-Update nicht verfügbar"); }

void KosttrUpdateSftp() { UpdateProtokoll("  SFTP-Update nicht verfügbar"); }

}  // namespace riviza
