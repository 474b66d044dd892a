// Windows-style file masks for directory searches (platform layer).
//
// "*" matches any run of characters, "?" exactly one; comparison ignores case ("*.db" matches
// "X.DB"). As in FindFirstFile, "*.*" matches every name, names without a dot too, and a mask
// ending in "." matches names without an extension ("*." gives "README" but not "a.txt").
// Matching is linear in practice: the greedy star-backtracking algorithm never revisits more
// than the last star, so a hostile mask cannot make it explode.
#pragma once

#include <string_view>

namespace riviza::platform {

bool matchesMask(std::string_view name, std::string_view mask);

}  // namespace riviza::platform
