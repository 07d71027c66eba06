// Running ravlin-cli over its inputs: reading, packing or unpacking, checking and writing each one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "options.h"
#include "ravlin/byte_buffer.h"
#include "ravlin/engine.h"

namespace ravlin::cli {

// The message for a method II pack input of odd size, as the window words it.
inline constexpr std::string_view kOddSizeMessage =
    "The file has an odd size. The current compression method is not available.";

// Packs or unpacks every input of `options` in order, going on after a failed one, with the
// messages on standard error. Returns the exit status: 0 when every input succeeded, else 1.
int runBatch(const Options& options);

// True when `stream` unpacks with `method` to exactly `original`.
bool unpacksTo(Method method, std::span<const std::uint8_t> stream,
               std::span<const std::uint8_t> original);

// Where an input's output goes when neither -o nor -c names it: in `folder` when one is given,
// else beside the input.
std::string defaultOutputPath(const std::string& input, const std::optional<std::string>& folder,
                              std::string_view suffix);

}  // namespace ravlin::cli
