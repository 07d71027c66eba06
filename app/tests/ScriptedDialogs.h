// A dialog seam for tests: answers each dialog from a script and records what was shown.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "Dialogs.h"

class ScriptedDialogs : public Dialogs {
 public:
  struct Message {
    MessageKind kind;
    QString caption;
    QString text;
  };

  // Answers of the open-file dialog and of the folder chooser, taken in order; an empty answer
  // is Cancel. A dialog that finds no answer left counts as Cancel and is counted.
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> folderAnswers;
  // What each dialog was handed as its starting point.
  std::vector<QString> openStarts;
  std::vector<QString> folderStarts;
  std::vector<Message> messages;
  int unanswered = 0;
  // Runs when a message box is shown, before it is recorded as closed.
  std::function<void(const Message&)> onMessage;

  std::optional<QString> openFile(QWidget*, const QString& lastChosen) override {
    openStarts.push_back(lastChosen);
    return take(openAnswers);
  }

  std::optional<QString> chooseFolder(QWidget*, const QString& outputPath) override {
    folderStarts.push_back(outputPath);
    return take(folderAnswers);
  }

  void showMessage(QWidget*, MessageKind kind, const QString& caption,
                   const QString& text) override {
    messages.push_back({kind, caption, text});
    if (onMessage) onMessage(messages.back());
  }

  // The texts of the boxes shown so far, in order.
  QStringList texts() const {
    QStringList result;
    for (const Message& message : messages) result.append(message.text);
    return result;
  }

 private:
  std::optional<QString> take(std::deque<std::optional<QString>>& answers) {
    if (answers.empty()) {
      ++unanswered;
      return std::nullopt;
    }
    const bool cancel = !answers.front().has_value();
    const QString text = answers.front().value_or(QString());
    answers.pop_front();
    if (cancel) return std::nullopt;
    return text;
  }
};
