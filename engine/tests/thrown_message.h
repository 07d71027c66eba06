// Test support: the message of the IoError that a call throws, or "" when it throws none.
#pragma once

#include <string>

#include "ravlin/io_error.h"

namespace ravlin::testing {

template <typename Call>
std::string thrownMessage(Call&& call) {
  try {
    call();
  } catch (const IoError& error) {
    return error.what();
  }
  return "";
}

}  // namespace ravlin::testing
