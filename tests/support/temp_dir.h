// Test support: a temporary folder removed at the end of the test, with helpers to put files in
// it and to read them back, and a scoped change of the current folder (the program folder is
// the current folder, so many tests run "inside" a temporary program folder).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace riviza::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Native path of a relative name inside the folder.
  std::filesystem::path operator/(std::string_view rel) const { return path_ / std::string(rel); }

  // Writes bytes to rel (parents created); returns the native path.
  std::filesystem::path write(std::string_view rel, std::string_view bytes) const;
  std::filesystem::path mkdir(std::string_view rel) const;
  std::string read(std::string_view rel) const;
  bool exists(std::string_view rel) const;

 private:
  std::filesystem::path path_;
};

std::string readNative(const std::filesystem::path& p);
void writeNative(const std::filesystem::path& p, std::string_view bytes);

class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir);
  ~ScopedCurrentDir();

 private:
  std::filesystem::path saved_;
};

// Sets an environment variable for the scope (WINEPREFIX, XDG_RUNTIME_DIR, ...).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::string saved_;
  bool had_;
};

// A file (or folder) of the project's test data (tests/data). A missing one throws, so the test
// that wanted it fails with the path in its message instead of reading nothing and going astray.
std::filesystem::path testData(std::string_view rel = {});

}  // namespace riviza::test
