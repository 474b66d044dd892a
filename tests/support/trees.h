// Test support: folder trees. Generated trees and bytes for archive round trips (deterministic by
// seed), a tree's contents as one comparable map, the comparison of two trees that says which
// paths differ, and the plain files of one folder (leftover temporary files show there).
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace riviza::test {

// Size and FNV-1a digest of some bytes, so that a failed comparison of trees reads short.
std::string Fingerprint(const std::string& bytes);

// Every file and folder below `root`: "a/b.txt" -> Fingerprint of its bytes, "a/leer/" -> ""
// ("/" separators, folders with a trailing "/"; without `withFolders` files only). Empty when
// `root` does not exist.
std::map<std::string, std::string> TreeContents(const std::filesystem::path& root, bool withFolders = true);

// Empty when both trees hold the same folders and files with the same bytes; else the paths
// that differ, each with what stands on either side.
std::string CompareTrees(const std::filesystem::path& a, const std::filesystem::path& b);

// Regular files below `root`, sub-folders included.
size_t CountFiles(const std::filesystem::path& root);

// Names of the regular files directly in a folder, sorted.
std::vector<std::string> FilesIn(const std::filesystem::path& dir);

// Deterministic bytes: text that deflates well, or random bytes that do not.
std::string TextBytes(size_t size, unsigned seed = 1);
std::string RandomBytes(size_t size, unsigned seed = 1);

// A tree as an update or a backup holds it: a cost-bearer file, an empty and a one-byte file, a
// large random file, a deep file of mixed bytes, a file without extension and an empty folder.
void MakeTree(const std::filesystem::path& root, unsigned seed);

}  // namespace riviza::test
