// The signals that end a session (platform layer); see signals.h.
#include "platform/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace riviza::platform {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGPIPE};
int gPipe[2] = {-1, -1};

extern "C" void onEndSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  (void)!::write(gPipe[1], &byte, 1);
  std::signal(signal, signal == SIGPIPE ? SIG_IGN : SIG_DFL);
  errno = saved;
}

}  // namespace

int watchEndSignals() {
  if (gPipe[0] >= 0) return gPipe[0];
  if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    gPipe[0] = gPipe[1] = -1;
    return -1;
  }
  struct sigaction action {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kEndSignals) ::sigaction(s, &action, nullptr);
  return gPipe[0];
}

std::optional<int> takeEndSignal() {
  unsigned char byte = 0;
  if (gPipe[0] < 0 || ::read(gPipe[0], &byte, 1) != 1) return std::nullopt;
  return static_cast<int>(byte);
}

}  // namespace riviza::platform
