#include "platform/shellops.h"

#include <cerrno>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"

namespace riviza::platform {
namespace {

struct Source {
  std::string path;
  std::string name;
  bool isDirectory;
};

bool hasMask(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// A masked source in a folder that cannot be listed is its error, not "nothing matched" (a
// missing folder still is).
Result<std::vector<Source>> expandSources(std::string_view source, unsigned flags, bool& masked) {
  std::vector<Source> out;
  std::string text = excludeTrailingBackslash(source);
  std::string name = extractFileName(text);
  masked = hasMask(name);
  if (masked) {
    std::string folder = extractFilePath(text);
    auto entries = readDirectory(folder, name);
    if (!entries && entries.error().code != ENOENT) return entries.error();
    for (const DirEntry& e : entries.valueOr({})) {
      if (e.error != 0) return errnoError(e.error, "copy", folder + e.name);
      if (e.isDirectory && (flags & kShellFilesOnly)) continue;
      out.push_back({folder + e.name, e.name, e.isDirectory});
    }
    return out;
  }
  if (pathExists(text)) out.push_back({text, name, directoryExists(text)});
  return out;
}

Status copyOne(const Source& s, const std::string& dest) {
  if (s.isDirectory) return copyTree(s.path, dest);
  if (fileExists(dest)) (void)setReadOnly(dest, false);
  return copyFile(s.path, dest);
}

Status moveOne(const Source& s, const std::string& dest) {
  Status r = renamePath(s.path, dest);
  if (r.ok() || r.error().code != EXDEV) return r;
  RIVIZA_TRY(copyOne(s, dest));
  return s.isDirectory ? removeTree(s.path) : deleteFile(s.path);
}

}  // namespace

int shellFileOperation(ShellOp op, std::string_view source, std::string_view target, unsigned flags) {
  bool masked = false;
  auto expanded = expandSources(source, flags, masked);
  if (!expanded) return expanded.error().code;
  const std::vector<Source>& sources = *expanded;
  if (sources.empty()) return masked ? 0 : ENOENT;

  if (op == ShellOp::Delete) {
    for (const Source& s : sources) {
      Status r = s.isDirectory ? removeTree(s.path) : deleteFile(s.path);
      if (!r.ok()) return r.error().code;
    }
    return 0;
  }
  if (op == ShellOp::Rename) {
    if (sources.size() != 1) return EINVAL;
    Status r = renamePath(sources[0].path, excludeTrailingBackslash(target));
    return r.ok() ? 0 : r.error().code;
  }

  std::string targetText = excludeTrailingBackslash(target);
  if (targetText.empty()) return EINVAL;
  bool intoFolder = directoryExists(targetText);
  if (!intoFolder && (masked || sources.size() > 1)) {
    if (Status r = forceDirectories(targetText); !r.ok()) return r.error().code;
    intoFolder = true;
  }
  for (const Source& s : sources) {
    std::string dest = intoFolder ? includeTrailingBackslash(targetText) + s.name : targetText;
    Status r = op == ShellOp::Copy ? copyOne(s, dest) : moveOne(s, dest);
    if (!r.ok()) return r.error().code;
  }
  return 0;
}

}  // namespace riviza::platform
