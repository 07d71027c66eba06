// Test support: runs the codec on one processor path at a time.
#pragma once

#include <optional>
#include <string>

#include "simd_path.h"

namespace ravlin::testing {

// Caps the path of the engines made while it lives, and lifts the cap at the end.
class ForcedPath {
 public:
  explicit ForcedPath(detail::SimdPath path) { detail::capSimdPath(path); }
  ~ForcedPath() { detail::capSimdPath(std::nullopt); }
  ForcedPath(const ForcedPath&) = delete;
  ForcedPath& operator=(const ForcedPath&) = delete;
};

inline std::string pathName(detail::SimdPath path) {
  return std::string(detail::simdPathName(path));
}

}  // namespace ravlin::testing
