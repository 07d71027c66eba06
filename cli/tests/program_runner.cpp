// Spawning ravlin-cli with pipes (or a pseudo-terminal) on its standard streams and collecting
// what it writes while feeding its input.
#include "program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace ravlin::cli::testing {

namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed: errno " + std::to_string(errno));
}

struct Pipe {
  int readEnd = -1;
  int writeEnd = -1;
  Pipe() {
    int fds[2];
    check(::pipe2(fds, O_CLOEXEC) == 0, "pipe2");
    readEnd = fds[0];
    writeEnd = fds[1];
  }
};

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A pseudo-terminal pair: the child gets the terminal side, the test reads the other.
void openTerminal(int& controller, int& terminal) {
  controller = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  check(controller >= 0, "posix_openpt");
  check(::grantpt(controller) == 0 && ::unlockpt(controller) == 0, "grantpt");
  terminal = ::open(::ptsname(controller), O_RDWR | O_NOCTTY | O_CLOEXEC);
  check(terminal >= 0, "open pts");
}

}  // namespace

constexpr const char* kTimeProgram = "/usr/bin/time";

bool memoryMeasurable() {
  return ::access(kTimeProgram, X_OK) == 0;
}

bool terminalsAvailable() {
  const int controller = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (controller < 0) return false;
  ::close(controller);
  return true;
}

RunResult runCli(const RunRequest& request) {
  // The test process must survive writing to a child that has already exited.
  std::signal(SIGPIPE, SIG_IGN);

  Pipe in;
  Pipe err;
  if (request.stderrColumns > 0) {
    closeFd(err.readEnd);
    closeFd(err.writeEnd);
    openTerminal(err.readEnd, err.writeEnd);
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(request.stderrColumns);
    check(::ioctl(err.writeEnd, TIOCSWINSZ, &size) == 0, "TIOCSWINSZ");
  }
  int outRead = -1;
  int outWrite = -1;
  if (request.stdoutKind == StdoutKind::kTerminal) {
    openTerminal(outRead, outWrite);
  } else if (request.stdoutKind != StdoutKind::kClosed) {
    Pipe out;
    outRead = out.readEnd;
    outWrite = out.writeEnd;
    if (request.stdoutKind == StdoutKind::kBrokenPipe) closeFd(outRead);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (request.stdinPath.empty()) {
    posix_spawn_file_actions_adddup2(&actions, in.readEnd, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, request.stdinPath.c_str(), O_RDONLY, 0);
  }
  if (outWrite >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outWrite, 1);
  } else {
    posix_spawn_file_actions_addclose(&actions, 1);
  }
  posix_spawn_file_actions_adddup2(&actions, err.writeEnd, 2);
  if (!request.workingDir.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, request.workingDir.c_str());
  }
  // The child starts with these signals at their defaults, as under a shell, whatever the test
  // runner set.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> argStorage;
  if (!request.shellScript.empty()) argStorage = {"/bin/sh", "-c", request.shellScript};
  char peakFile[] = "/tmp/ravlin-peak-XXXXXX";
  if (request.measureMemory) {
    const int fd = ::mkstemp(peakFile);
    check(fd >= 0, "mkstemp");
    ::close(fd);
    argStorage.insert(argStorage.end(), {kTimeProgram, "-f", "%M", "-o", peakFile});
  }
  argStorage.emplace_back(RAVLIN_CLI_PATH);
  argStorage.insert(argStorage.end(), request.args.begin(), request.args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStorage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  closeFd(in.readEnd);
  closeFd(err.writeEnd);
  closeFd(outWrite);
  if (spawned != 0) throw std::runtime_error("posix_spawn failed");

  RunResult result;
  std::size_t fed = 0;
  // The child may write while it reads, so feeding must never block reading its output.
  if (in.writeEnd >= 0) ::fcntl(in.writeEnd, F_SETFL, O_NONBLOCK);
  // Feeding is done; standard input stays open only when the test has more to do meanwhile.
  const auto inputFed = [&] {
    if (request.afterInput) {
      request.afterInput(child);
    } else {
      closeFd(in.writeEnd);
    }
  };
  if (request.input.empty() || !request.stdinPath.empty()) inputFed();
  while (err.readEnd >= 0 || outRead >= 0) {
    const bool feeding = in.writeEnd >= 0 && fed < request.input.size();
    pollfd fds[3] = {{feeding ? in.writeEnd : -1, POLLOUT, 0},
                     {outRead, POLLIN, 0},
                     {err.readEnd, POLLIN, 0}};
    check(::poll(fds, 3, -1) >= 0 || errno == EINTR, "poll");
    if (feeding && fds[0].revents != 0) {
      const ssize_t n =
          ::write(in.writeEnd, request.input.data() + fed, request.input.size() - fed);
      if (n > 0) fed += static_cast<std::size_t>(n);
      if (n < 0 && errno != EAGAIN) closeFd(in.writeEnd);
      if (fed == request.input.size()) inputFed();
    }
    std::string* sinks[3] = {nullptr, &result.out, &result.err};
    int* sources[3] = {nullptr, &outRead, &err.readEnd};
    for (int i = 1; i < 3; ++i) {
      if (*sources[i] < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t n = ::read(*sources[i], buffer, sizeof buffer);
      // A pseudo-terminal reports EIO once its last user has gone.
      if (n <= 0) {
        closeFd(*sources[i]);
      } else {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  closeFd(in.writeEnd);

  int status = 0;
  check(::waitpid(child, &status, 0) == child, "waitpid");
  if (request.measureMemory) {
    char text[32] = {};
    const int fd = ::open(peakFile, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      if (::read(fd, text, sizeof text - 1) < 0) text[0] = '\0';
      ::close(fd);
    }
    ::unlink(peakFile);
    result.peakMemoryKiB = std::atol(text);
  }
  result.exited = WIFEXITED(status);
  result.status = result.exited ? WEXITSTATUS(status) : WTERMSIG(status);
  return result;
}

}  // namespace ravlin::cli::testing
