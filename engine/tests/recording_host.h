// Test support: a host that records every call a run makes, for comparing progress sequences;
// the engine tests and the fuzzers share it.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ravlin/host.h"

namespace ravlin::testing {

// One bar update: the caption and the width that followed it.
struct Bar {
  std::string caption;
  int width = 0;
  bool operator==(const Bar&) const = default;
};

inline void PrintTo(const Bar& bar, std::ostream* os) { *os << bar.caption << "/" << bar.width; }

class RecordingHost : public Host {
 public:
  explicit RecordingHost(Reporting reporting = Reporting::kEveryBlock, std::string path = {})
      : reporting_(reporting), path_(std::move(path)) {}

  std::string inputPath() override {
    calls.push_back("inputPath");
    return path_;
  }
  void processEvents() override { calls.push_back("processEvents"); }
  void setBarCaption(const std::string& caption) override {
    calls.push_back("setBarCaption " + caption);
    bars.push_back({caption, -1});
  }
  void setBarWidth(int width) override {
    calls.push_back("setBarWidth " + std::to_string(width));
    if (!bars.empty()) bars.back().width = width;
  }
  Reporting reporting() const override { return reporting_; }

  void setPath(std::string path) { path_ = std::move(path); }
  std::vector<std::string> captions() const {
    std::vector<std::string> result;
    for (const Bar& bar : bars) result.push_back(bar.caption);
    return result;
  }

  std::vector<std::string> calls;  // every call, in order
  std::vector<Bar> bars;           // every caption with its width

 private:
  Reporting reporting_;
  std::string path_;
};

}  // namespace ravlin::testing
