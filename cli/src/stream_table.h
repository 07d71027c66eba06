// The table of -l on standard output: a header once, then one row per stream.
#pragma once

#include <span>
#include <string>

#include "input_source.h"
#include "ravlin/codec.h"
#include "ravlin/survey.h"

namespace ravlin::cli {

class StreamTable {
 public:
  // Prints the row of `name`, after the header when it is the first. Throws Failure when standard
  // output cannot take it.
  void print(Method method, const SurveyResult& result, const std::string& name);
  // -l without -t: surveys the stream of `input`, read through the buffer `chunk`, and prints its
  // row. A stream that is not whole then throws Failure.
  void list(InputSource& input, Method method, std::span<std::uint8_t> chunk);

 private:
  bool headerShown_ = false;
};

}  // namespace ravlin::cli
