// The end-of-session signals (SIGTERM, SIGINT, SIGHUP) in a child process: the first arrives on
// the pipe the event loop watches and the process lives on; a second ends it at once.
#include "platform/signals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace riviza::platform {
namespace {

TEST(EndSignals, TheFirstIsTakenFromThePipeTheSecondEndsTheProcess) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
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
      ::raise(signal);
      ::_exit(14);  // not reached: the second signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
  }
}

}  // namespace
}  // namespace riviza::platform
