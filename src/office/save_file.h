// Writing workbook files safely: a fresh temporary file of mode 0600 beside the target, renamed
// into place when complete, and new file names with a time stamp that never replace a file
// (office layer).
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "platform/result.h"

namespace riviza::office {

// Calls produce() with a new, empty temporary file (mode 0600) in the target's folder, then puts
// it in the target's place: over an existing target only when `replace`, else kFileExists. On
// any failure the temporary file is removed and an existing target is left as it was.
Status writeFileSafely(const std::filesystem::path& target, bool replace,
                       const std::function<Status(const std::filesystem::path& temp)>& produce);

// Creates (exclusively, mode 0600, empty) "<base>_<yyyymmdd>_<hhmmss><ext>" in `folder`, with
// "_2", "_3" ... before the extension when that name is taken; the folder is created when
// missing. The clock is platform::now().
Result<std::filesystem::path> reserveStampedFile(const std::filesystem::path& folder, std::string_view base,
                                                 std::string_view ext);

}  // namespace riviza::office
