// Telling the method of an input to unpack.
#include "method_detection.h"

#include "messages.h"
#include "stream_faults.h"

namespace ravlin::cli {

SurveyResult surveyStream(InputSource& input, Method method, ChunkMemory& chunks) {
  StreamSurvey survey(method);
  ChunkReader reader(input, chunks);
  for (auto bytes = reader.next(); !bytes.empty(); bytes = reader.next()) survey.write(bytes);
  return survey.finish();
}

std::string methodFit(const InputSource& input, ChunkMemory& chunks) {
  if (!input.isRegular() || input.isStdin()) return {};
  try {
    InputSource one(input.name());
    InputSource two(input.name());
    return methodFitVerdict(surveyStream(one, Method::kI, chunks),
                            surveyStream(two, Method::kII, chunks));
  } catch (const Failure&) {
    return {};
  }
}

Method unpackMethod(const Options& options, const InputSource& input, ChunkMemory& chunks) {
  if (auto method = unpackMethodFor(options, input.name())) return *method;
  std::string verdict = methodFit(input, chunks);
  if (verdict.empty()) verdict = "give -m 1 or -m 2";
  throw Failure(input.name(),
                "cannot tell the method from the name (.pack1 or .pack2); " + verdict);
}

}  // namespace ravlin::cli
