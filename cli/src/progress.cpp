// Drawing the progress line: where a run stands, how fast it goes, and when to show it.
#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ravlin::cli {

namespace {

constexpr int kBarCells = 20;
constexpr std::size_t kMaxShownName = 32;

std::string shortenedName(std::string_view name) {
  if (name.size() <= kMaxShownName) return std::string(name);
  // The end of a path tells files apart better than its start.
  return "..." + std::string(name.substr(name.size() - (kMaxShownName - 3)));
}

std::string formatRate(double bytesPerSecond) {
  static constexpr const char* kUnits[] = {"B/s", "KiB/s", "MiB/s", "GiB/s", "TiB/s"};
  std::size_t unit = 0;
  while (bytesPerSecond >= 1024.0 && unit + 1 < std::size(kUnits)) {
    bytesPerSecond /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytesPerSecond, kUnits[unit]);
  return text;
}

}  // namespace

std::string formatProgressLine(std::string_view name, int percent, double bytesPerSecond,
                               std::string_view saving) {
  const int filled = std::clamp(percent, 0, 100) * kBarCells / 100;
  std::string line = shortenedName(name);
  line += "  [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kBarCells - filled), '-');
  line += "] ";
  char number[16];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  line += number;
  if (bytesPerSecond >= 0) line += "  " + formatRate(bytesPerSecond);
  if (!saving.empty()) line += "  saved " + std::string(saving);
  return line;
}

void ProgressDisplay::writeText(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a progress line that cannot be shown is not worth failing over
    written += static_cast<std::size_t>(n);
  }
}

void ProgressDisplay::draw(const std::string& line) {
  std::string text = "\r" + line;
  if (line.size() < shownLength_) text.append(shownLength_ - line.size(), ' ');
  shownLength_ = std::max(shownLength_, line.size());
  showing_ = true;
  writeText(text);
}

void ProgressDisplay::end() {
  if (!showing_) return;
  if (forced_) {
    writeText("\n");
  } else {
    writeText("\r" + std::string(shownLength_, ' ') + "\r");
  }
  showing_ = false;
  shownLength_ = 0;
}

ProgressHost::ProgressHost(ProgressDisplay* display, std::string name, bool packing,
                           std::uint64_t inputSize)
    : display_(display), name_(std::move(name)), packing_(packing), inputSize_(inputSize) {}

ProgressHost::~ProgressHost() {
  // A run that failed leaves its last state on a forced line, or a clean line on a terminal.
  if (display_ != nullptr && !ended_ && drawn_) display_->end();
}

void ProgressHost::ProcessEvents() {
  ++events_;
  if (display_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (!display_->forced() && now - start_ < ProgressDisplay::kDelay) return;
  if (drawn_ && now - lastDraw_ < ProgressDisplay::kInterval) return;
  drawNow(bytesDone());
}

void ProgressHost::SetBarCaption(const std::string& caption) {
  ++shows_;
  caption_ = caption;
  percent_ = std::strtoll(caption.c_str(), nullptr, 10);
}

void ProgressHost::finish() {
  if (display_ == nullptr || ended_) return;
  if (display_->forced()) drawNow(inputSize_);
  display_->end();
  ended_ = true;
}

std::uint64_t ProgressHost::bytesDone() const {
  if (!packing_) {
    // N = P * 100 / (S - 1), so P is at least N * (S - 1) / 100.
    const std::uint64_t shown = percent_ > 0 ? static_cast<std::uint64_t>(percent_) : 0;
    return std::min(inputSize_, shown * (inputSize_ > 0 ? inputSize_ - 1 : 0) / 100);
  }
  constexpr auto kStride = static_cast<std::uint64_t>(kEventStrideBytes);
  const std::uint64_t lone = events_ - std::min(events_, shows_);
  return std::min(inputSize_, lone * kStride + shows_ * (kStride / 2));
}

void ProgressHost::drawNow(std::uint64_t done) {
  const Clock::time_point now = Clock::now();
  const std::uint64_t total = inputSize_;
  const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0.001 ? static_cast<double>(done) / seconds : -1.0;
  display_->draw(formatProgressLine(name_, percent, rate, packing_ ? caption_ : std::string()));
  lastDraw_ = now;
  drawn_ = true;
}

}  // namespace ravlin::cli
