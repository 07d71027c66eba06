// Which method an input to unpack is in: -m, else its name's suffix. When neither tells, the
// stream of a regular file is surveyed under both methods, so that the message can say which one
// it would suit.
#pragma once

#include <span>
#include <string>

#include "input_source.h"
#include "options.h"
#include "ravlin/codec.h"
#include "ravlin/survey.h"

namespace ravlin::cli {

// Reads `input` to its end through the buffer `chunk`, surveying it as a stream of `method`.
SurveyResult surveyStream(InputSource& input, Method method, std::span<std::uint8_t> chunk);

// Which method the stream of a regular file is whole under, read afresh from its start through
// `chunk`; empty when it cannot be told. What a pipe or device holds could be read only once: it
// is not looked at.
std::string methodFit(const InputSource& input, std::span<std::uint8_t> chunk);

// -m, else the suffix; a file of neither throws Failure, with the methods its stream is valid for.
Method unpackMethod(const Options& options, const InputSource& input,
                    std::span<std::uint8_t> chunk);

}  // namespace ravlin::cli
