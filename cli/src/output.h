// Where one input's output goes: standard output, a device named with -o, or a file that appears
// complete or not at all. Failures throw Failure.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace ravlin::cli {

class Output {
 public:
  virtual ~Output() = default;
  // Appends bytes. A reader of standard output that has gone away ends the process with SIGPIPE's
  // status, as it would end its peers.
  virtual void write(std::span<const std::uint8_t> bytes) = 0;
  // Makes the output final. A file output appears under its name only now.
  virtual void commit() = 0;
  // How messages name the output.
  virtual const std::string& name() const = 0;
  // Whether the output is now a whole regular file under its name: after commit() of a file
  // output; never for standard output, a device or a pipe.
  virtual bool isCompleteFile() const { return false; }
};

// What a file output takes over from its input when it is committed.
// Nothing for standard input: a new file then gets the mode the umask gives, a replaced file keeps
// its own.
struct FileLooks {
  std::optional<mode_t> permissions;
  std::optional<timespec> modified;
};

struct FileOutputRequest {
  std::string path;
  bool replace;     // -f: an existing file may be replaced
  bool sparse;      // all-zero stretches of 4 KiB or more become holes
  FileLooks looks;
};

std::unique_ptr<Output> openStdoutOutput();
// A device or FIFO named with -o: written into directly, since replacing it is not what was asked.
std::unique_ptr<Output> openDeviceOutput(const std::string& path);
// A new file beside `request.path` that is renamed over it on commit() and removed if the output is
// dropped without one; the signal handler knows its name. A symbolic link at `request.path` is
// followed, so the file it points to is replaced and the link kept.
std::unique_ptr<Output> openFileOutput(const FileOutputRequest& request);

// Output that is thrown away, for -t.
std::unique_ptr<Output> openDiscardingOutput();

}  // namespace ravlin::cli
