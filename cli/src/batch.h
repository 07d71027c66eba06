// Running ravlin-cli over its inputs: each is streamed through the engine to its output, one after
// another, going on after a failed one.
#pragma once

#include "options.h"

namespace ravlin::cli {

// Does what `options` asks for every input, with the messages on standard error (and the table of
// -l on standard output). Returns the exit status: 0 when every input succeeded, else 1.
int runBatch(const Options& options);

}  // namespace ravlin::cli
