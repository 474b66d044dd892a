// Replays a libFuzzer corpus without libFuzzer: every file named on the command line, or every
// file inside a named folder, is fed once to the target. Used when the build is not a fuzzing
// build, so the corpus (every past crash included) runs as a regression test under g++. A named
// path that does not exist, or a folder without a file, fails the run: a corpus that went missing
// must not pass as "replayed 0 inputs". An input that traps or aborts the target is named on
// standard error before the process dies of its signal, so a failed replay says which file to
// look at.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
// The input being replayed, as the message the signal handler writes (write() only: a handler
// may not allocate).
std::string gCrashText;

void nameTheInput(int signal) {
  if (!gCrashText.empty()) (void)!::write(2, gCrashText.data(), gCrashText.size());
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// A signal a sanitizer handles keeps its handler (the sanitizer reports the fault itself); the
// others, among them the abort after a sanitizer's report, name the input.
void nameTheInputOn(int signal) {
  struct sigaction old {};
  if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) return;
  struct sigaction action {};
  action.sa_handler = nameTheInput;
  ::sigaction(signal, &action, nullptr);
}

int replay(const std::filesystem::path& p) {
  gCrashText = "replay failed on input: " + p.string() + "\n";
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
  for (int signal : {SIGILL, SIGABRT, SIGFPE, SIGSEGV, SIGBUS, SIGTRAP}) nameTheInputOn(signal);
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
