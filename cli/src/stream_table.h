// The table of -l on standard output: a header once, then one row per stream.
#pragma once

#include <string>

#include "ravlin/codec.h"
#include "ravlin/survey.h"

namespace ravlin::cli {

class StreamTable {
 public:
  // Prints the row of `name`, after the header when it is the first. Throws Failure when standard
  // output cannot take it.
  void print(Method method, const SurveyResult& result, const std::string& name);

 private:
  bool headerShown_ = false;
};

}  // namespace ravlin::cli
