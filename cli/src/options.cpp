// Reading ravlin-cli's arguments into Options, with the checks that make a usage error.
#include "options.h"

#include <algorithm>
#include <array>

namespace ravlin::cli {

namespace {

using Action = ParsedCommandLine::Action;

enum class Flag {
  kMethod,
  kOutput,
  kOutputDir,
  kStdout,
  kForce,
  kVerify,
  kVerbose,
  kQuiet,
  kProgress,
  kHelp,
  kVersion
};

struct OptionSpec {
  char shortName;  // '\0' when there is none
  std::string_view longName;
  Flag flag;
  bool takesValue;
};

constexpr std::array kOptionSpecs{
    OptionSpec{'m', "method", Flag::kMethod, true},
    OptionSpec{'o', "output", Flag::kOutput, true},
    OptionSpec{'\0', "output-dir", Flag::kOutputDir, true},
    OptionSpec{'c', "stdout", Flag::kStdout, false},
    OptionSpec{'f', "force", Flag::kForce, false},
    OptionSpec{'\0', "verify", Flag::kVerify, false},
    OptionSpec{'v', "verbose", Flag::kVerbose, false},
    OptionSpec{'q', "quiet", Flag::kQuiet, false},
    OptionSpec{'\0', "progress", Flag::kProgress, false},
    OptionSpec{'h', "help", Flag::kHelp, false},
    OptionSpec{'V', "version", Flag::kVersion, false},
};

const OptionSpec* findShort(char name) {
  const auto* it = std::find_if(kOptionSpecs.begin(), kOptionSpecs.end(),
                                [&](const OptionSpec& option) { return option.shortName == name; });
  return it == kOptionSpecs.end() ? nullptr : &*it;
}

const OptionSpec* findLong(std::string_view name) {
  const auto* it = std::find_if(kOptionSpecs.begin(), kOptionSpecs.end(),
                                [&](const OptionSpec& option) { return option.longName == name; });
  return it == kOptionSpecs.end() ? nullptr : &*it;
}

ParsedCommandLine usageError(std::string message) {
  ParsedCommandLine result;
  result.action = Action::kUsageError;
  result.error = std::move(message);
  return result;
}

class Parser {
 public:
  explicit Parser(std::span<const std::string_view> args) : args_(args) {}

  ParsedCommandLine parse() {
    if (args_.empty()) return usageError("no command given; use pack or unpack");
    const std::string_view command = args_[0];
    if (command == "-h" || command == "--help") return action(Action::kHelp);
    if (command == "-V" || command == "--version") return action(Action::kVersion);
    if (command != "pack" && command != "unpack") {
      return usageError("unknown command '" + std::string(command) + "'; use pack or unpack");
    }
    result_.options.packing = command == "pack";

    bool optionsEnded = false;
    for (next_ = 1; next_ < args_.size() && !done_;) {
      const std::string_view arg = args_[next_++];
      if (optionsEnded || arg == kStdioName || !arg.starts_with('-')) {
        result_.options.inputs.emplace_back(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg.starts_with("--")) {
        parseLong(arg.substr(2));
      } else {
        parseShortBundle(arg.substr(1));
      }
    }
    if (done_) return result_;
    return check();
  }

 private:
  ParsedCommandLine action(Action what) {
    ParsedCommandLine result;
    result.action = what;
    return result;
  }

  void fail(std::string message) {
    result_ = usageError(std::move(message));
    done_ = true;
  }

  void parseLong(std::string_view body) {
    const std::size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    const OptionSpec* option = findLong(name);
    if (option == nullptr) return fail("unknown option '--" + std::string(name) + "'");
    if (equals != std::string_view::npos) {
      if (!option->takesValue) return fail("option '--" + std::string(name) + "' takes no value");
      return apply(*option, body.substr(equals + 1));
    }
    applyWithNextValue(*option, "--" + std::string(name));
  }

  // "-cfv" are three flags; in "-m2" or "-ofile" the rest of the argument is the value.
  void parseShortBundle(std::string_view bundle) {
    for (std::size_t i = 0; i < bundle.size() && !done_; ++i) {
      const OptionSpec* option = findShort(bundle[i]);
      if (option == nullptr) return fail("unknown option '-" + std::string(1, bundle[i]) + "'");
      if (!option->takesValue) {
        apply(*option, {});
      } else if (i + 1 < bundle.size()) {
        return apply(*option, bundle.substr(i + 1));
      } else {
        return applyWithNextValue(*option, "-" + std::string(1, bundle[i]));
      }
    }
  }

  void applyWithNextValue(const OptionSpec& option, const std::string& shownName) {
    if (!option.takesValue) return apply(option, {});
    if (next_ >= args_.size()) return fail("option '" + shownName + "' needs a value");
    apply(option, args_[next_++]);
  }

  void apply(const OptionSpec& option, std::string_view value) {
    Options& options = result_.options;
    switch (option.flag) {
      case Flag::kMethod:
        if (value == "1") {
          options.method = Method::kI;
        } else if (value == "2") {
          options.method = Method::kII;
        } else {
          fail("method '" + std::string(value) + "' is not 1 or 2");
        }
        break;
      case Flag::kOutput:
        if (value.empty()) return fail("option '-o' needs a file name");
        options.outputFile = std::string(value);
        break;
      case Flag::kOutputDir:
        if (value.empty()) return fail("option '--output-dir' needs a folder name");
        options.outputDir = std::string(value);
        break;
      case Flag::kStdout:
        options.toStdout = true;
        break;
      case Flag::kForce:
        options.force = true;
        break;
      case Flag::kVerify:
        options.verify = true;
        break;
      case Flag::kVerbose:
        options.verbose = true;
        break;
      // Of -q and --progress the later one wins, as a script may add one to a preset command.
      case Flag::kQuiet:
        options.progress = ProgressMode::kQuiet;
        break;
      case Flag::kProgress:
        options.progress = ProgressMode::kForced;
        break;
      case Flag::kHelp:
        result_ = action(Action::kHelp);
        done_ = true;
        break;
      case Flag::kVersion:
        result_ = action(Action::kVersion);
        done_ = true;
        break;
    }
  }

  ParsedCommandLine check() {
    Options& options = result_.options;
    if (options.inputs.empty()) options.inputs.emplace_back(kStdioName);
    const bool several = options.inputs.size() > 1;
    if (options.outputFile && options.toStdout) return usageError("give either -o or -c, not both");
    if (options.outputFile && options.outputDir) {
      return usageError("give either -o or --output-dir, not both");
    }
    if (options.toStdout && options.outputDir) {
      return usageError("give either -c or --output-dir, not both");
    }
    if (options.outputFile && several) {
      return usageError("-o names the output of a single input; use --output-dir for several");
    }
    // Packed streams carry no length, so streams written one after another could not be split.
    if (options.packing && options.toStdout && several) {
      return usageError("-c packs a single input; several packed streams cannot share one output");
    }
    if (!options.packing && options.verify) return usageError("--verify applies to pack only");
    if (options.packing) {
      if (!options.method) options.method = Method::kI;
    } else {
      for (const std::string& input : options.inputs) {
        if (unpackMethodFor(options, input)) continue;
        const std::string shown = input == kStdioName ? "standard input" : "'" + input + "'";
        return usageError("cannot tell the method of " + shown +
                          " from its name (.pack1 or .pack2); give -m 1 or -m 2");
      }
    }
    result_.action = Action::kRun;
    return result_;
  }

  std::span<const std::string_view> args_;
  std::size_t next_ = 0;
  bool done_ = false;
  ParsedCommandLine result_;
};

}  // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string_view> args) {
  return Parser(args).parse();
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

std::string helpText() {
  return R"(Usage: ravlin-cli pack   [-m 1|2] [options] [FILE...]
       ravlin-cli unpack [-m 1|2] [options] [FILE...]
Packs raw graphics data with a run-length code, or unpacks it.

  -m, --method 1|2      1: byte units (1 to 8 bits per pixel)
                        2: 16-bit little-endian words (15 bits per pixel)
                        pack uses 1 by default; unpack takes it from the suffix
                        .pack1 or .pack2 when -m is not given
  -o, --output FILE     write the output of the one input to FILE (- for stdout)
      --output-dir DIR  write the outputs into DIR (created with its parents)
  -c, --stdout          write to standard output
  -f, --force           replace existing outputs; write packed data to a terminal
      --verify          after packing, unpack in memory and compare with the input
  -v, --verbose         print each file's sizes and the percentage saved
  -q, --quiet           no progress bar and no warnings
      --progress        show the progress bar even when stderr is not a terminal
  -h, --help            print this help and exit
  -V, --version         print the version and exit

An output is named after its input with only the last extension replaced by
.pack1, .pack2, .unpack1 or .unpack2, and lands in the input's folder:
font.bin -> font.pack1, font.pack1 -> font.unpack1, map.bins.bin -> map.bins.pack1.
With no FILE, or when FILE is -, reads standard input and writes standard output.
An existing output is replaced only with -f; the inputs are never changed.

Exit status: 0 when every file succeeded, 1 when any failed, 2 for a usage error.

Examples:
  ravlin-cli pack -m 2 --verify sprites/*.bin   # sprites/NAME.pack2 beside each input
  ravlin-cli unpack --output-dir out level1.pack1 level2.pack2
  ravlin-cli unpack -c level1.pack1 | xxd | less
)";
}

}  // namespace ravlin::cli
