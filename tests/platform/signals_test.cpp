// The end-of-session signals (SIGTERM, SIGINT, SIGHUP, SIGPIPE) in a child process: the first
// arrives on the pipe the event loop watches and the process lives on; a second ends it at once,
// except SIGPIPE, after which a write to a pipe nobody reads fails with EPIPE instead, so the
// program can still close.
#include "platform/signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace riviza::platform {
namespace {

TEST(EndSignals, TheFirstIsTakenFromThePipeTheSecondEndsTheProcess) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(signal));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int fd = watchEndSignals();
      if (fd < 0 || takeEndSignal()) ::_exit(10);  // nothing waits before a signal came
      ::raise(signal);
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 0) != 1) ::_exit(11);  // readable at once, for the event loop to see
      if (takeEndSignal() != signal) ::_exit(12);
      if (takeEndSignal()) ::_exit(13);
      if (signal == SIGPIPE) {
        int leer[2];
        if (::pipe(leer) != 0) ::_exit(15);
        ::close(leer[0]);
        const char byte = 0;
        ::_exit(::write(leer[1], &byte, 1) < 0 && errno == EPIPE ? 0 : 16);
      }
      ::raise(signal);
      ::_exit(14);  // not reached: the second signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (signal == SIGPIPE) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
      continue;
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
  }
}

}  // namespace
}  // namespace riviza::platform
