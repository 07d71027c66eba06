// Running ravlin-cli over its inputs: each is streamed through the engine to its output, one after
// another, going on after a failed one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "options.h"

namespace ravlin::cli {

// Does what `options` asks for every input, with the messages on standard error (and the table of
// -l on standard output). Returns the exit status: 0 when every input succeeded, else 1.
int runBatch(const Options& options);

// Where an input's output goes when neither -o nor -c names it: in `folder` when one is given,
// else beside the input; its name is the input's base name followed by `suffix`.
std::string defaultOutputPath(const std::string& input, const std::optional<std::string>& folder,
                              std::string_view suffix);

}  // namespace ravlin::cli
