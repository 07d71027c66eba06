// The progress line on standard error: a bar with the percentage and the throughput of one input.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "ravlin/host.h"

namespace ravlin::cli {

// One progress line: "NAME  [#####-----]  52%  310.4 MiB/s" and, when packing, "  saved 37%".
// A negative `bytesPerSecond` leaves the throughput out.
std::string formatProgressLine(std::string_view name, int percent, double bytesPerSecond,
                               std::string_view saving);

// Where the lines go, and when: on a terminal only after an input has taken kDelay, or from the
// start when forced; redrawn at most every kInterval.
class ProgressDisplay {
 public:
  static constexpr std::chrono::milliseconds kDelay{500};
  static constexpr std::chrono::milliseconds kInterval{100};

  ProgressDisplay(int fd, bool forced) : fd_(fd), forced_(forced) {}

  bool forced() const { return forced_; }
  // Replaces the line on the screen.
  void draw(const std::string& line);
  // Ends the current line: kept with a line break when forced (logs keep the final state),
  // erased otherwise so that messages start on a clean line.
  void end();

 private:
  void writeText(const std::string& text);

  int fd_;
  bool forced_;
  std::size_t shownLength_ = 0;
  bool showing_ = false;
};

// The engine's host for one input: listens to the run and draws the progress line.
class ProgressHost final : public Host {
 public:
  // `display` may be null: the host then only keeps count. `inputSize` is the size in bytes of
  // what the run reads.
  ProgressHost(ProgressDisplay* display, std::string name, bool packing, std::uint64_t inputSize);
  ProgressHost(const ProgressHost&) = delete;
  ProgressHost& operator=(const ProgressHost&) = delete;
  ~ProgressHost() override;

  std::string InputPath() override { return name_; }
  void ProcessEvents() override;
  void SetBarCaption(const std::string& caption) override;
  void SetBarWidth(int) override {}
  Reporting reporting() const override { return Reporting::kChanges; }

  // Shows the final state after a successful run and ends the line.
  void finish();

  // Input bytes dealt with so far, as far as the engine's reports tell. Unpacking, the engine's
  // N is the share of the stream read. Packing, N is the share saved, so the position is
  // estimated from the calls: a lone ProcessEvents() comes kEventStrideBytes of input after the
  // call before it, and a shown change comes somewhere within that distance (counted as half).
  std::uint64_t bytesDone() const;

 private:
  using Clock = std::chrono::steady_clock;

  void drawNow(std::uint64_t done);

  ProgressDisplay* display_;
  std::string name_;
  bool packing_;
  std::uint64_t inputSize_;
  std::uint64_t events_ = 0;  // ProcessEvents() calls
  std::uint64_t shows_ = 0;   // SetBarCaption() calls
  std::int64_t percent_ = 0;  // the engine's last N
  std::string caption_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  bool drawn_ = false;
  bool ended_ = false;
};

}  // namespace ravlin::cli
