// The progress line on standard error: where one input's run stands, how fast it goes, and, when
// packing, how much it saves.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ravlin/host.h"

namespace ravlin::cli {

struct ProgressState {
  std::string_view name;
  std::optional<int> percent;  // nothing when the input's size is not known (a pipe)
  std::uint64_t bytesDone = 0;
  double bytesPerSecond = -1;  // negative: not known yet
  std::string_view saving;     // "37%" while packing, empty otherwise
};

// One progress line: "NAME  [#####-----]  52%  310.4 MiB/s  saved 37%", or, for an input of
// unknown size, "NAME  12.0 MiB  310.4 MiB/s". A `width` other than 0 is the number of columns the
// line must fit into: the name is shortened first (keeping its end, counted in terminal columns),
// then the saving, the rate and the bar are left out, in that order. Control characters in the
// name are escaped (terminal_text.h).
std::string formatProgressLine(const ProgressState& state, std::size_t width);

// "83.0%": the share of `unpackedBytes` that packing saves; what -v and the final progress line say.
std::string savedPercent(std::uint64_t unpackedBytes, std::uint64_t packedBytes);

// Where the lines go, and when: on a terminal only after an input has taken kDelay, or from the
// start when forced; redrawn at most every kInterval; always as wide as the terminal is now.
class ProgressDisplay {
 public:
  static constexpr std::chrono::milliseconds kDelay{500};
  static constexpr std::chrono::milliseconds kInterval{100};

  ProgressDisplay(int fd, bool forced) : fd_(fd), forced_(forced) {}

  bool forced() const { return forced_; }
  // Replaces the line on the screen.
  void draw(const ProgressState& state);
  // Ends the current line: kept with a line break when forced (logs keep the final state),
  // erased otherwise so that messages start on a clean line.
  void end();

 private:
  void writeText(const std::string& text);
  // The terminal's width now; 0 when fd_ is not a terminal.
  std::size_t columns() const;

  int fd_;
  bool forced_;
  std::size_t shownLength_ = 0;
  bool showing_ = false;
};

// The engine's host for one input, and the line that shows its run.
class ProgressHost final : public Host {
 public:
  // `display` may be null: nothing is shown. `totalBytes`: the size of what the run reads, when
  // known.
  ProgressHost(ProgressDisplay* display, std::string name, bool packing,
               std::optional<std::uint64_t> totalBytes);
  ProgressHost(const ProgressHost&) = delete;
  ProgressHost& operator=(const ProgressHost&) = delete;
  ~ProgressHost() override;

  std::string inputPath() override { return name_; }
  void processEvents() override {}
  void setBarCaption(const std::string& caption) override { caption_ = caption; }
  void setBarWidth(int) override {}
  Reporting reporting() const override { return Reporting::kChanges; }

  // The run has read `bytesDone` bytes of its input.
  void advance(std::uint64_t bytesDone);
  // Shows the final state after a successful run and ends the line. `saving`, when packing, is
  // the saving of the whole run.
  void finish(std::uint64_t bytesDone, const std::string& saving);

 private:
  using Clock = std::chrono::steady_clock;

  void drawNow(std::uint64_t bytesDone, std::string_view saving);

  ProgressDisplay* display_;
  std::string name_;
  bool packing_;
  std::optional<std::uint64_t> totalBytes_;
  std::string caption_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  bool drawn_ = false;
  bool ended_ = false;
};

}  // namespace ravlin::cli
