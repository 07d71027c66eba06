// The engine's host for one page of the window: its "Open file" field and its percentage bar.
#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>
#include <string>

#include "ravlin/host.h"

class QLineEdit;
class TXiPanel;

class PageHost : public ravlin::Host {
 public:
  // A monotonic clock in milliseconds; tests drive it by hand.
  using Clock = std::function<qint64()>;

  // The shortest time between two rounds of event handling during a run. A round costs far more
  // than a block, so handling events after every block would make a run many times slower; 15 ms
  // is about one frame at 60 Hz, so repaints, the About button and the close box still answer
  // without a noticeable delay.
  static constexpr qint64 kEventIntervalMs = 15;

  // Neither widget is owned; both must outlive the host. An empty clock means the real one.
  PageHost(QLineEdit* inputField, TXiPanel* bar, Clock clock = {});

  std::string inputPath() override;
  void processEvents() override;
  void setBarCaption(const std::string& caption) override;
  void setBarWidth(int width) override;
  ravlin::Reporting reporting() const override { return ravlin::Reporting::kChanges; }

 private:
  QLineEdit* inputField_;
  TXiPanel* bar_;
  Clock clock_;
  std::optional<qint64> lastEvents_;
  std::optional<std::string> lastCaption_;
  std::optional<int> lastWidth_;
};
