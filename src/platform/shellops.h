// Shell file operations on files and folders, in place of the Windows shell's copy, move,
// delete and rename (platform layer).
//
// Semantics kept from the shell: the source's last component may be a mask ("*.*"); a target
// that is an existing folder receives the sources inside it under their own names, otherwise a
// single source becomes the target; folders are copied with everything in them; a move across
// file systems copies and then removes. The result is 0 on success, else an errno value.
#pragma once

#include <string_view>

namespace riviza::platform {

enum class ShellOp { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

constexpr unsigned kShellFilesOnly = 0x80;  // with a mask: files only, no folders

int shellFileOperation(ShellOp op, std::string_view source, std::string_view target, unsigned flags);

}  // namespace riviza::platform
