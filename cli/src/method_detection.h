// Which method an input to unpack is in: -m, else its name's suffix. When neither tells, the
// stream of a regular file is surveyed under both methods, so that the message can say which one
// it would suit.
#pragma once

#include <string>

#include "chunk_reader.h"
#include "input_source.h"
#include "options.h"
#include "ravlin/codec.h"
#include "ravlin/survey.h"

namespace ravlin::cli {

// Reads `input` to its end through `chunks`, surveying it as a stream of `method`.
SurveyResult surveyStream(InputSource& input, Method method, ChunkMemory& chunks);

// Which method the stream of a regular file is whole under, read afresh from its start through
// `chunks`; empty when it cannot be told. What a pipe or device holds could be read only once: it
// is not looked at.
std::string methodFit(const InputSource& input, ChunkMemory& chunks);

// -m, else the suffix; a file of neither throws Failure, with the methods its stream is valid for.
Method unpackMethod(const Options& options, const InputSource& input, ChunkMemory& chunks);

}  // namespace ravlin::cli
