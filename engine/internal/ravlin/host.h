// The engine's one window onto its surroundings: input path, event processing and the bar.
#pragma once

#include <string>

namespace ravlin {

// How often a host wants to hear from a run.
enum class Reporting {
  // After every block: processEvents(), setBarCaption(), setBarWidth(), in that order.
  // Reproduces the exact progress sequence; what tests and recorders use.
  kEveryBlock,
  // After a block only when the percentage changed (the same three calls), and otherwise
  // processEvents() alone once kEventStrideBytes of input have passed since the last call.
  // The bar ends on exactly the same caption and width as with kEveryBlock; a run costs
  // almost nothing per block. What windows and batch callers use.
  kChanges,
};

// Input bytes between two processEvents() calls in Reporting::kChanges mode. Small enough that
// even the densest stream (3 bytes for 254 of output) unpacks to no more than about 1.4 MB
// between two calls, so that a window never waits long for its events; large enough that the
// calls cost nothing measurable.
inline constexpr long long kEventStrideBytes = 16 * 1024;

// What a pack or unpack run needs of its surroundings. The window implements it once per page
// (its "Open file" field and its percentage bar), tests implement it with a recorder, and a batch
// caller with nothing at all.
class Host {
 public:
  virtual ~Host() = default;

  // The path of the file to read; asked once, at the start of a file run.
  virtual std::string inputPath() = 0;
  // Lets the surroundings handle pending events (repaint, About box, close box).
  virtual void processEvents() = 0;
  // The percentage text: decimal digits, a leading '-' when negative, then '%' ("37%", "-12%").
  virtual void setBarCaption(const std::string& caption) = 0;
  // The bar's width in pixels: 2 * |percentage|.
  virtual void setBarWidth(int width) = 0;

  virtual Reporting reporting() const { return Reporting::kEveryBlock; }
};

// A host that wants nothing: for callers that only need the output.
class QuietHost : public Host {
 public:
  explicit QuietHost(std::string path = {}) : path_(std::move(path)) {}
  std::string inputPath() override { return path_; }
  void processEvents() override {}
  void setBarCaption(const std::string&) override {}
  void setBarWidth(int) override {}
  Reporting reporting() const override { return Reporting::kChanges; }

 private:
  std::string path_;
};

}  // namespace ravlin
