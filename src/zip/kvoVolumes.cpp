// Linux drives and volumes, the fake drives of tests, and the replaceable service (zip layer).
// See kvoVolumes.h.
#include "zip/kvoVolumes.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "zip/kvoGbls.h"

namespace riviza::zip {
namespace {
namespace fs = std::filesystem;

struct Mount {
  std::string point, fsType, source;
  unsigned major = 0, minor = 0;
};

// mountinfo escapes blanks and backslashes as octal ("\040").
std::string unescapeOctal(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      out += static_cast<char>(std::strtol(s.substr(i + 1, 3).c_str(), nullptr, 8));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

// udev escapes by-label names as "\xHH".
std::string unescapeHex(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 2, "\\x") == 0 && i + 3 < s.size()) {
      out += static_cast<char>(std::strtol(s.substr(i + 2, 2).c_str(), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool isUnder(const std::string& path, const std::string& point) {
  if (point == "/") return true;
  return path.compare(0, point.size(), point) == 0 &&
         (path.size() == point.size() || path[point.size()] == '/');
}

// The mount holding a path: the longest mount point it lies under.
Mount mountOf(const fs::path& p) {
  std::error_code ec;
  fs::path real = fs::weakly_canonical(p, ec);
  std::string path = (ec ? p : real).string();
  Mount best;
  std::ifstream in("/proc/self/mountinfo");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    size_t dash = 0;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (f.size() < 5 || dash + 2 >= f.size()) continue;
    std::string point = unescapeOctal(f[4]);
    if (!isUnder(path, point) || point.size() < best.point.size()) continue;
    best.point = point;
    best.fsType = f[dash + 1];
    best.source = unescapeOctal(f[dash + 2]);
    std::sscanf(f[2].c_str(), "%u:%u", &best.major, &best.minor);
  }
  return best;
}

// The name of the /dev/disk/by-<kind> link that resolves to the device, if any.
std::string diskLinkName(const std::string& kind, const std::string& device) {
  std::error_code ec;
  fs::path dev = fs::weakly_canonical(device, ec);
  if (ec || device.empty() || device[0] != '/') return {};
  for (const auto& e : fs::directory_iterator("/dev/disk/by-" + kind, ec)) {
    std::error_code ec2;
    if (fs::weakly_canonical(e.path(), ec2) == dev && !ec2) return unescapeHex(e.path().filename().string());
  }
  return {};
}

uint32_t serialOf(const Mount& m) {
  std::string uuid = diskLinkName("uuid", m.source);
  std::string digits;
  for (char c : uuid)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() >= 8)
    return static_cast<uint32_t>(std::strtoul(digits.substr(0, 8).c_str(), nullptr, 16));
  return (m.major << 20) ^ m.minor;
}

bool removable(const Mount& m) {
  std::error_code ec;
  fs::path sys =
      fs::canonical("/sys/dev/block/" + std::to_string(m.major) + ":" + std::to_string(m.minor), ec);
  if (ec) return false;
  for (const fs::path& dir : {sys, sys.parent_path()}) {
    std::ifstream flag(dir / "removable");
    int value = 0;
    if (flag >> value) return value == 1;
  }
  return false;
}

int driveTypeOf(const Mount& m) {
  static const char* remote[] = {"nfs",        "nfs4",  "cifs", "smb3", "smbfs",
                                 "fuse.sshfs", "sshfs", "9p",   "afs",  "ceph"};
  for (const char* t : remote)
    if (m.fsType == t) return dtRemote;
  if (m.fsType == "iso9660" || m.fsType == "udf") return dtCdRom;
  if (m.fsType == "tmpfs" || m.fsType == "ramfs") return dtRamDisk;
  return removable(m) ? dtRemovable : dtFixed;
}

std::string foldedRoot(std::string_view root) {
  return platform::includeTrailingBackslash(SlashToBackslash(platform::foldCase(root)));
}

TLinuxVolumes gLinuxVolumes;
TVolumeService* gVolumes = &gLinuxVolumes;

}  // namespace

// ---- Linux ----

Result<TVolumeInfo> TLinuxVolumes::VolumeInformation(std::string_view root) {
  fs::path native = platform::nativePath(root);
  struct statvfs sv;
  if (::statvfs(native.c_str(), &sv) != 0) return platform::errnoError(errno, "Datenträger abfragen", root);
  Mount m = mountOf(native);
  TVolumeInfo info;
  info.label = diskLinkName("label", m.source);
  info.serial = serialOf(m);
  info.maxNameLength = static_cast<uint32_t>(sv.f_namemax);
  info.fileSystemFlags = static_cast<uint32_t>(sv.f_flag);
  info.fileSystemName = m.fsType;
  info.driveType = driveTypeOf(m);
  info.freeBytes = static_cast<uint64_t>(sv.f_bavail) * sv.f_frsize;
  info.totalBytes = static_cast<uint64_t>(sv.f_blocks) * sv.f_frsize;
  return info;
}

bool TLinuxVolumes::DriveReady(std::string_view root) {
  struct statvfs sv;
  return ::statvfs(platform::nativePath(root).c_str(), &sv) == 0 && sv.f_blocks > 0;
}

bool TLinuxVolumes::IsWriteProtected(std::string_view root) {
  fs::path native = platform::nativePath(root);
  struct statvfs sv;
  if (::statvfs(native.c_str(), &sv) == 0 && (sv.f_flag & ST_RDONLY)) return true;
  // As on Windows: make a scratch file in the root and remove it again.
  auto probe = CreateUniqueFile(root, "kvo");
  if (!probe) return probe.error().code == EROFS;
  return !platform::deleteFile(*probe).ok();
}

Status TLinuxVolumes::SetVolumeLabel(std::string_view root, std::string_view) {
  return platform::errnoError(ENOTSUP, "Datenträgerbezeichnung setzen", root);
}

// ---- fake ----

TFakeVolumes::Drive& TFakeVolumes::drive(std::string_view root) { return drives_[foldedRoot(root)]; }

Result<TVolumeInfo> TFakeVolumes::VolumeInformation(std::string_view root) {
  Drive& d = drive(root);
  if (!d.readable || !d.ready) return platform::errnoError(ENOMEDIUM, "Datenträger abfragen", root);
  return d.info;
}

bool TFakeVolumes::DriveReady(std::string_view root) { return drive(root).ready; }

bool TFakeVolumes::IsWriteProtected(std::string_view root) { return drive(root).writeProtected; }

Status TFakeVolumes::SetVolumeLabel(std::string_view root, std::string_view label) {
  Drive& d = drive(root);
  if (!d.labelWritable || d.writeProtected)
    return platform::errnoError(EROFS, "Datenträgerbezeichnung setzen", root);
  d.info.label = std::string(label);
  return okStatus();
}

// ---- the service in use ----

TVolumeService& Volumes() { return *gVolumes; }

ScopedVolumes::ScopedVolumes(TVolumeService& replacement) : saved_(gVolumes) { gVolumes = &replacement; }

ScopedVolumes::~ScopedVolumes() { gVolumes = saved_; }

}  // namespace riviza::zip
