// ravlin-cli: packs and unpacks raw graphics data from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "batch.h"
#include "options.h"
#include "platform.h"
#include "ravlin/codec.h"
#include "signal_cleanup.h"
#include "std_streams.h"

namespace {

constexpr int kUsageStatus = 2;

// Text for the console through stdio; a stdout that cannot take it is an error, not a silent loss.
int printToStdout(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
  if (errno == EPIPE) ravlin::cli::dieOfBrokenPipe();
  std::fprintf(stderr, "ravlin-cli: stdout: %s\n", std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  ravlin::cli::guardStandardDescriptors();
  ravlin::cli::installSignalCleanup();

  const std::vector<std::string> arguments = ravlin::cli::platform::commandLineArguments(argc, argv);
  const std::vector<std::string_view> args(arguments.begin() + (arguments.empty() ? 0 : 1),
                                           arguments.end());
  const ravlin::cli::ParsedCommandLine parsed = ravlin::cli::parseCommandLine(args);
  using Action = ravlin::cli::ParsedCommandLine::Action;
  switch (parsed.action) {
    case Action::kHelp:
      return printToStdout(ravlin::cli::helpText());
    case Action::kVersion:
      return printToStdout(ravlin::cli::versionText());
    case Action::kUsageError:
      std::fprintf(stderr, "ravlin-cli: %s\nTry 'ravlin-cli --help' for more information.\n",
                   parsed.error.c_str());
      return kUsageStatus;
    case Action::kRun:
      break;
  }
  // The engine refuses a RAVLIN_SIMD that names no processor path when a packer or unpacker is
  // made: asked once here, before any file is touched.
  try {
    ravlin::QuietHost quiet;
    const ravlin::Unpacker probe(ravlin::Method::kI, quiet, std::nullopt);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "ravlin-cli: %s\n", error.what());
    return kUsageStatus;
  }
  return ravlin::cli::runBatch(parsed.options);
}
