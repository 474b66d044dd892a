// Finding a name in a folder ignoring case, with the names of folders kept (platform layer).
//
// Mapping path text (paths.h) must find "Ann.DB" as "ann.db", and must make sure that a new
// file has no twin in another case, so every such lookup needs the folder's names. Reading the
// folder each time made creating n files in one folder read n^2 entries. Instead a folder's names
// are read once and kept current by inotify: the kernel queues every create, delete and rename
// in the folder, by whatever process, and each lookup drains that queue first, so the kept names
// are as fresh as a new reading. Kept names serve a lookup only while
//  - the path still names the same folder (device and inode, looked at on every lookup);
//  - the folder lies on a local file system (ext2/3/4, xfs, btrfs, tmpfs, f2fs, overlay):
//    inotify does not hear of changes that other machines make on network or FUSE mounts (the
//    data root shared with the billing application, GVfs shares), so such folders are read on
//    every lookup;
//  - the queue did not overflow (then everything kept is dropped and read again).
// Rejected: taking the folder's modification time as the test of freshness. File-system times
// come from a coarse clock, so a name created within the tick of the time last seen leaves the
// time as it was and would stay unseen.
// At most 256 folders are kept; beyond that the cache starts afresh. Thread-safe (one mutex):
// the download thread maps paths too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace riviza::platform {

// The entry of `folder` (empty: the current folder) spelled like `name` ignoring case; of
// several (Linux allows "a" and "A" side by side) the smallest, for stable results. nullopt when
// there is none or no such folder.
std::optional<std::string> findNameIgnoringCase(const std::filesystem::path& folder, std::string_view name);

// For tests and benchmarks: how often a folder was read in full in this process, and whether
// lookups in `folder` are served from kept names.
uint64_t folderReads();
bool keepsNamesOf(const std::filesystem::path& folder);

}  // namespace riviza::platform
