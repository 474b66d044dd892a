// Replays a libFuzzer corpus without libFuzzer: every file named on the command line, or every
// file inside a named folder, is fed once to the target. Used when the build is not a fuzzing
// build, so the corpus (every past crash included) runs as a regression test under g++. A named
// path that does not exist, or a folder without a file, fails the run: a corpus that went missing
// must not pass as "replayed 0 inputs".
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
int replay(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER-OR-FILE...\n", argv[0]);
    return 2;
  }
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path p = argv[i];
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      int here = 0;
      for (const auto& e : std::filesystem::recursive_directory_iterator(p))
        if (e.is_regular_file()) here += replay(e.path());
      if (here == 0) {
        std::fprintf(stderr, "corpus empty: %s\n", argv[i]);
        return 1;
      }
      count += here;
    } else if (std::filesystem::is_regular_file(p, ec)) {
      count += replay(p);
    } else {
      std::fprintf(stderr, "corpus missing: %s\n", argv[i]);
      return 1;
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
