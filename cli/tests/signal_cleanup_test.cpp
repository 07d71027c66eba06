// The hold around creating a temporary output: a signal that comes meanwhile is not lost and does
// not leave the file behind.
#include "signal_cleanup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "ravlin/scratch_folder.h"

namespace ravlin::cli {
namespace {

void touch(const std::string& path) {
  ::close(::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
}

// The signal comes after the file exists and before it is recorded: it must wait for the record,
// then remove the file and end the process as the signal does.
TEST(SignalCleanup, ASignalWhileHeldActsWhenLetGo) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const ravlin::testing::ScratchFolder scratch;
    const std::string temporary = scratch.file(".out.tmp");
    const std::string heldOn = scratch.file("held-on");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      installSignalCleanup();
      CleanupSignalsHeld held;
      touch(temporary);
      ::raise(signal);
      touch(heldOn);
      setFileToRemoveOnSignal(temporary.c_str());
      held.release();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
        << strsignal(signal) << ": status " << status;
    EXPECT_TRUE(std::filesystem::exists(heldOn)) << strsignal(signal) << " was not held";
    EXPECT_FALSE(std::filesystem::exists(temporary)) << strsignal(signal);
  }
}

}  // namespace
}  // namespace ravlin::cli
