// Reading ravlin-cli's arguments into Options with getopt_long, and the checks that make a usage
// error.
#include "options.h"

#include <getopt.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform.h"

namespace ravlin::cli {

namespace {

using Action = ParsedCommandLine::Action;

// Values returned by getopt_long for the options that have no short form.
enum LongOnly : int { kOutputDir = 256, kRemove, kSuffix, kVerify, kNoSparse, kProgress };

constexpr const char* kShortOptions = ":m:o:cfktlrvqhV";

const struct option kLongOptions[] = {
    {"method", required_argument, nullptr, 'm'},
    {"output", required_argument, nullptr, 'o'},
    {"output-dir", required_argument, nullptr, kOutputDir},
    {"stdout", no_argument, nullptr, 'c'},
    {"force", no_argument, nullptr, 'f'},
    {"keep", no_argument, nullptr, 'k'},
    {"rm", no_argument, nullptr, kRemove},
    {"test", no_argument, nullptr, 't'},
    {"list", no_argument, nullptr, 'l'},
    {"recursive", no_argument, nullptr, 'r'},
    {"suffix", required_argument, nullptr, kSuffix},
    {"verify", no_argument, nullptr, kVerify},
    {"no-sparse", no_argument, nullptr, kNoSparse},
    {"verbose", no_argument, nullptr, 'v'},
    {"quiet", no_argument, nullptr, 'q'},
    {"progress", no_argument, nullptr, kProgress},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The options that only one of the commands takes; the other refuses them.
struct CommandOption {
  int option;
  const char* name;
  bool packing;  // the command that takes it
};
constexpr CommandOption kCommandOptions[] = {
    {'t', "-t", false},
    {'l', "-l", false},
    {kSuffix, "--suffix", false},
    {kNoSparse, "--no-sparse", false},
    {kVerify, "--verify", true},
};

std::optional<std::string> commandMismatch(int option, bool packing) {
  for (const CommandOption& entry : kCommandOptions) {
    if (entry.option == option && entry.packing != packing) {
      return std::string(entry.name) + " applies to " + (entry.packing ? "pack" : "unpack") +
             " only";
    }
  }
  return std::nullopt;
}

ParsedCommandLine usageError(std::string message) {
  ParsedCommandLine result;
  result.action = Action::kUsageError;
  result.error = std::move(message);
  return result;
}

ParsedCommandLine action(Action what) {
  ParsedCommandLine result;
  result.action = what;
  return result;
}

// The option getopt_long stopped at, as the user wrote it ("--force=yes" gives "--force").
// `arg` is the argument it came from, or null inside a bundle of short options.
std::string offendingOption(const char* arg, int shortName) {
  const std::string_view text = arg == nullptr ? "" : arg;
  if (text.starts_with("--")) return std::string(text.substr(0, text.find('=')));
  return "-" + std::string(1, static_cast<char>(shortName));
}

// Applies one option; returns an error message, or nothing.
std::optional<std::string> apply(int option, std::string_view value, ParsedCommandLine& result) {
  Options& options = result.options;
  switch (option) {
    case 'm':
      if (value == "1") {
        options.method = Method::kI;
      } else if (value == "2") {
        options.method = Method::kII;
      } else {
        return "method '" + std::string(value) + "' is not 1 or 2";
      }
      break;
    case 'o':
      if (value.empty()) return "option '-o' needs a file name";
      options.outputFile = std::string(value);
      break;
    case kOutputDir:
      if (value.empty()) return "option '--output-dir' needs a folder name";
      options.outputDir = std::string(value);
      break;
    case kSuffix:
      if (value.find('/') != std::string_view::npos) return "a --suffix cannot hold a '/'";
      options.suffix = std::string(value);
      break;
    case 'c':
      options.toStdout = true;
      break;
    case 'f':
      options.force = true;
      break;
    // Of -k and --rm the later one wins, so that a script may add one to a preset command.
    case 'k':
      options.removeInput = false;
      break;
    case kRemove:
      options.removeInput = true;
      break;
    case 't':
      options.test = true;
      break;
    case 'l':
      options.list = true;
      break;
    case 'r':
      options.recursive = true;
      break;
    case kVerify:
      options.verify = true;
      break;
    case kNoSparse:
      options.sparse = false;
      break;
    case 'v':
      options.verbose = true;
      break;
    // Of -q and --progress, too, the later one wins.
    case 'q':
      options.progress = ProgressMode::kQuiet;
      break;
    case kProgress:
      options.progress = ProgressMode::kForced;
      break;
    case 'h':
      result = action(Action::kHelp);
      break;
    case 'V':
      result = action(Action::kVersion);
      break;
    default:
      break;
  }
  return std::nullopt;
}

// The combinations that cannot work, found before any file is touched.
std::optional<std::string> combinationError(Options& options) {
  if (options.inputs.empty()) options.inputs.emplace_back(kStdioName);
  const bool several = options.inputs.size() > 1 || options.recursive;
  const bool fromStdin =
      std::find(options.inputs.begin(), options.inputs.end(), kStdioName) != options.inputs.end();
  if (options.outputFile && options.toStdout) return "give either -o or -c, not both";
  if (options.outputFile && options.outputDir) return "give either -o or --output-dir, not both";
  if (options.toStdout && options.outputDir) return "give either -c or --output-dir, not both";
  if (options.outputFile && several) {
    return "-o names the output of a single input; use --output-dir for several";
  }
  if (options.packing) {
    // Packed streams carry no length, so streams written one after another could not be split.
    if (options.toStdout && several) {
      return "-c packs a single input; several packed streams cannot share one output";
    }
    if (!options.method) options.method = Method::kI;
  } else {
    if (!writesOutputs(options) && (options.outputFile || options.outputDir || options.toStdout ||
                                    options.removeInput || options.suffix || !options.sparse)) {
      return "-t and -l write nothing; give no -o, -c, --output-dir, --suffix, --no-sparse or "
             "--rm with them";
    }
    if (fromStdin && !options.method) {
      return "cannot tell the method of standard input from its name (.pack1 or .pack2); "
             "give -m 1 or -m 2";
    }
  }
  if (options.removeInput && options.toStdout) {
    return "--rm removes an input once its output file is complete; it does not go with -c";
  }
  // Standard input has no name to derive an output name from.
  if (fromStdin && options.outputDir) {
    return "standard input has no name to give its output in --output-dir; give -o or -c";
  }
  return std::nullopt;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> args) {
  if (args.empty()) return usageError("no command given; use pack or unpack");
  const std::string_view command = args[0];
  if (command == "-h" || command == "--help") return action(Action::kHelp);
  if (command == "-V" || command == "--version") return action(Action::kVersion);
  if (command != "pack" && command != "unpack") {
    return usageError("unknown command '" + std::string(command) + "'; use pack or unpack");
  }

  // getopt_long wants a mutable argv; the command stands where the program name would.
  std::vector<std::string> storage(args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(storage.size());

  ParsedCommandLine result;
  result.options.packing = command == "pack";
  optind = 0;  // a fresh scan (glibc), also when called more than once
  opterr = 0;  // the messages are ours
  std::optional<std::string> mismatch;
  for (;;) {
    const int before = optind;
    const int option = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, nullptr);
    if (option == -1) break;
    // A fault in the middle of a bundle ("-xf") leaves optind where it was.
    const char* arg = optind == before ? nullptr : argv[static_cast<std::size_t>(optind - 1)];
    if (option == ':') {
      return usageError("option '" + offendingOption(arg, optopt) + "' needs a value");
    }
    if (option == '?') {
      const std::string name = offendingOption(arg, optopt);
      const bool known = optopt != 0 && name.starts_with("--");
      return usageError(known ? "option '" + name + "' takes no value"
                              : "unknown option '" + name + "'");
    }
    // Reported once the scan is through, so that --help and --version still win.
    if (!mismatch) mismatch = commandMismatch(option, result.options.packing);
    if (auto error = apply(option, optarg == nullptr ? "" : optarg, result)) {
      return usageError(*error);
    }
    if (result.action == Action::kHelp || result.action == Action::kVersion) return result;
  }
  if (mismatch) return usageError(*mismatch);
  for (int i = optind; i < argc; ++i) result.options.inputs.emplace_back(argv[i]);
  if (auto error = combinationError(result.options)) return usageError(*error);
  result.action = Action::kRun;
  return result;
}

std::optional<Method> unpackMethodFor(const Options& options, std::string_view input) {
  if (options.method) return options.method;
  if (input == kStdioName) return std::nullopt;
  if (input.ends_with(".pack1")) return Method::kI;
  if (input.ends_with(".pack2")) return Method::kII;
  return std::nullopt;
}

std::string versionText() {
  return "ravlin-cli " RAVLIN_CLI_VERSION;
}

// The naming rule and the exit status come after "Examples:", where help2man files the rest of the
// text under EXAMPLES, which the manual page replaces: it has sections of its own for them.
std::string helpText() {
  return R"(Usage: ravlin-cli pack   [-m 1|2] [options] [FILE...]
  or:  ravlin-cli unpack [-m 1|2] [options] [FILE...]
Packs raw graphics data with a run-length code, or unpacks it.

  -m, --method=1|2      the unit: 1 for bytes (1 to 8 bits per pixel), 2 for
                        16-bit little-endian words (15 bits per pixel); pack
                        uses 1, unpack takes it from the suffix .pack1 or
                        .pack2 and names the methods that fit a stream of
                        another name
  -o, --output=FILE     write the output of the one input to FILE (- for
                        stdout); a device such as /dev/null is written into
      --output-dir=DIR  write the outputs into DIR (created with its parents)
  -c, --stdout          write to standard output
  -f, --force           replace existing outputs; write packed data to a
                        terminal
  -k, --keep            keep the inputs (the default)
      --rm              remove each input once its output is complete (and
                        verified, with --verify); only a regular file whose
                        output is a regular file is removed
  -t, --test            unpack: unpack and discard; a stream that is cut, has
                        no end marker or has data after it fails
  -l, --list            unpack: a table of each stream's method, sizes, ratio,
                        blocks, end marker and trailing bytes; a faulty stream
                        fails; with -t, each stream is tested and listed
  -r, --recursive       take the regular files in folders: pack those without
                        a .pack1/.pack2 suffix, unpack those with one; links,
                        devices and leftover temporary files are skipped
      --suffix=SUF      unpack: name outputs with SUF instead of .unpack1 or
                        .unpack2 (--suffix=.bin: font.pack1 -> font.bin)
      --verify          pack: unpack the stream as it is written and compare
                        it with the input; a mismatch writes no file
)" + std::string(platform::kNoSparseHelp) + R"(  -v, --verbose         print each file's sizes and the percentage saved, and
                        each file that -r skips
  -q, --quiet           no progress bar and no warnings
      --progress        show the progress bar even when stderr is not a
                        terminal
  -h, --help            print this help and exit
  -V, --version         print the version and exit

Examples:
  ravlin-cli pack -m 2 --verify sprites/*.bin   # gives sprites/NAME.pack2
  ravlin-cli unpack --output-dir out level1.pack1 level2.pack2
  ravlin-cli unpack -c level1.pack1 | xxd | less
  ravlin-cli unpack -l -r assets/

An output is named after its input with only the last extension replaced by
.pack1, .pack2, .unpack1 or .unpack2, and lands in the input's folder:
font.bin -> font.pack1, font.pack1 -> font.unpack1, map.bins.bin ->
map.bins.pack1, .hidden -> .hidden.pack1. It takes its input's permissions and
modification time. With no FILE, or when FILE is -, reads standard input and
writes standard output. An output appears only when it is complete, replaces
an existing file only with -f, and never replaces an input.

Exit status: 0 when every file succeeded, 1 when any failed (the others are
still done; data after a stream's end marker counts as a failure), 2 for a
usage error, 128+N when signal N ended it.
)";
}

}  // namespace ravlin::cli
