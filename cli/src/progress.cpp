// Drawing the progress line: where a run stands, how fast it goes, and when to show it.
#include "progress.h"

#include <algorithm>
#include <cstdio>

#include "platform.h"
#include "terminal_text.h"

namespace ravlin::cli {

namespace {

constexpr int kBarCells = 20;
constexpr std::size_t kShortestName = 12;

std::string formatBytes(double bytes, const char* perWhat) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  std::size_t unit = 0;
  while (bytes >= 1024.0 && unit + 1 < std::size(kUnits)) {
    bytes /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s%s", bytes, kUnits[unit], perWhat);
  return text;
}

}  // namespace

std::string formatProgressLine(const ProgressState& state, std::size_t width) {
  std::string bar;
  if (state.percent) {
    const int filled = std::clamp(*state.percent, 0, 100) * kBarCells / 100;
    bar = "  [" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarCells - filled), '-') + "]";
  }
  std::string amount;
  if (state.percent) {
    char number[16];
    std::snprintf(number, sizeof number, " %3d%%", *state.percent);
    amount = number;
  } else {
    amount = "  " + formatBytes(static_cast<double>(state.bytesDone), "");
  }
  std::string rate =
      state.bytesPerSecond >= 0 ? "  " + formatBytes(state.bytesPerSecond, "/s") : std::string();
  std::string saving = state.saving.empty() ? std::string() : "  saved " + std::string(state.saving);

  // A line as wide as the terminal would wrap on some terminals, so one column stays free.
  const std::size_t limit = width == 0 ? std::string::npos : width - std::min<std::size_t>(width, 1);
  const auto tail = [&] { return bar + amount + rate + saving; };
  for (std::string* part : {&saving, &rate, &bar}) {
    if (limit == std::string::npos || tail().size() + kShortestName <= limit) break;
    part->clear();
  }
  // The parts after the name are ASCII: their bytes are their columns.
  std::string line = tail();
  if (line.size() > limit) line.resize(limit);
  // The end of a path tells files apart better than its start.
  const std::string name = escapedForTerminal(state.name);
  line.insert(0, limit == std::string::npos ? name : endWithinColumns(name, limit - line.size()));
  return line;
}

std::string savedPercent(std::uint64_t unpackedBytes, std::uint64_t packedBytes) {
  if (unpackedBytes == 0) return "0.0%";
  const double saved = (static_cast<double>(unpackedBytes) - static_cast<double>(packedBytes)) *
                       100.0 / static_cast<double>(unpackedBytes);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", saved);
  return text;
}

void ProgressDisplay::writeText(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const std::int64_t n = platform::writeSome(fd_, text.data() + written, text.size() - written);
    if (n <= 0) return;  // a progress line that cannot be shown is not worth failing over
    written += static_cast<std::size_t>(n);
  }
}

std::size_t ProgressDisplay::columns() const {
  return platform::terminalWidth(fd_);
}

void ProgressDisplay::draw(const ProgressState& state) {
  const std::size_t width = columns();
  const std::string line = formatProgressLine(state, width);
  const std::size_t columns = terminalColumns(line);
  // Blanks over what is left of a longer line, but never into the terminal's last column.
  const std::size_t limit = width == 0 ? shownLength_ : std::min(shownLength_, width - 1);
  const std::size_t shown = std::max(columns, limit);
  std::string text = "\r" + line + std::string(shown - columns, ' ');
  shownLength_ = shown;
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
                           std::optional<std::uint64_t> totalBytes)
    : display_(display), name_(std::move(name)), packing_(packing), totalBytes_(totalBytes) {}

ProgressHost::~ProgressHost() {
  // A run that failed leaves its last state on a forced line, or a clean line on a terminal.
  if (display_ != nullptr && !ended_ && drawn_) display_->end();
}

void ProgressHost::advance(std::uint64_t bytesDone) {
  if (display_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (!display_->forced() && now - start_ < ProgressDisplay::kDelay) return;
  if (drawn_ && now - lastDraw_ < ProgressDisplay::kInterval) return;
  drawNow(bytesDone, caption_);
}

void ProgressHost::finish(std::uint64_t bytesDone, const std::string& saving) {
  if (display_ == nullptr || ended_) return;
  if (display_->forced()) drawNow(bytesDone, saving);
  display_->end();
  ended_ = true;
}

void ProgressHost::drawNow(std::uint64_t bytesDone, std::string_view saving) {
  const Clock::time_point now = Clock::now();
  ProgressState state;
  state.name = name_;
  if (totalBytes_) {
    state.percent = *totalBytes_ == 0 ? 100 : static_cast<int>(bytesDone * 100 / *totalBytes_);
  }
  state.bytesDone = bytesDone;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  if (seconds > 0.001) state.bytesPerSecond = static_cast<double>(bytesDone) / seconds;
  if (packing_) state.saving = saving;
  display_->draw(state);
  lastDraw_ = now;
  drawn_ = true;
}

}  // namespace ravlin::cli
