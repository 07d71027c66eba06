// Telling the method of an input to unpack.
#include "method_detection.h"

#include "messages.h"
#include "stream_faults.h"

namespace ravlin::cli {

SurveyResult surveyStream(InputSource& input, Method method, std::span<std::uint8_t> chunk) {
  StreamSurvey survey(method);
  while (const std::size_t n = input.read(chunk)) survey.write({chunk.data(), n});
  return survey.finish();
}

std::string methodFit(const InputSource& input, std::span<std::uint8_t> chunk) {
  if (!input.isRegular() || input.isStdin()) return {};
  try {
    InputSource one(input.name());
    InputSource two(input.name());
    return methodFitVerdict(surveyStream(one, Method::kI, chunk),
                            surveyStream(two, Method::kII, chunk));
  } catch (const Failure&) {
    return {};
  }
}

Method unpackMethod(const Options& options, const InputSource& input,
                    std::span<std::uint8_t> chunk) {
  if (auto method = unpackMethodFor(options, input.name())) return *method;
  std::string verdict = methodFit(input, chunk);
  if (verdict.empty()) verdict = "give -m 1 or -m 2";
  throw Failure(input.name(),
                "cannot tell the method from the name (.pack1 or .pack2); " + verdict);
}

}  // namespace ravlin::cli
