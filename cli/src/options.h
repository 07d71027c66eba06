// The command line of ravlin-cli: what the user asked for, and how it is read from the arguments.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ravlin/naming.h"

namespace ravlin::cli {

// The name that stands for standard input (and, without -o, standard output).
inline constexpr std::string_view kStdioName = "-";

enum class ProgressMode { kAuto, kQuiet, kForced };

struct Options {
  bool packing = true;
  bool test = false;  // -t: unpack, discard, and judge each stream
  bool list = false;  // -l: one table row per stream; with -t both are done
  std::optional<Method> method;           // -m; unpack falls back to the input's suffix
  std::vector<std::string> inputs;        // never empty; "-" is standard input
  std::optional<std::string> outputFile;  // -o
  std::optional<std::string> outputDir;   // --output-dir
  std::optional<std::string> suffix;      // --suffix: of unpacked outputs, instead of ".unpackN"
  bool toStdout = false;                  // -c
  bool force = false;
  bool removeInput = false;  // --rm; -k turns it off again
  bool recursive = false;
  bool verify = false;
  bool sparse = true;  // --no-sparse turns it off
  bool verbose = false;
  ProgressMode progress = ProgressMode::kAuto;
};

// Whether an unpack run writes outputs, rather than only testing or listing its streams.
inline bool writesOutputs(const Options& options) {
  return options.packing || (!options.test && !options.list);
}

struct ParsedCommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kUsageError;
  Options options;
  std::string error;  // what is wrong, for kUsageError
};

// Reads the arguments that follow the program name. Options may stand before, between or after
// the files; "--" ends the options.
ParsedCommandLine parseCommandLine(std::span<const std::string_view> args);

// The method that unpacks `input`: -m when given, else the one its ".pack1"/".pack2" suffix names.
std::optional<Method> unpackMethodFor(const Options& options, std::string_view input);

std::string helpText();
std::string versionText();

}  // namespace ravlin::cli
