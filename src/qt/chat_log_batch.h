// The chat log's edits of one event-loop turn, put into its text view
// together at the end of the turn: a flood of lines from the chat server
// costs one layout of the log per turn instead of one per line, and lines
// trimmed before they were ever shown are never laid out at all.
#pragma once

#include <QObject>
#include <QString>
#include <QTextCharFormat>
#include <deque>

class QTextEdit;

namespace lobbyfind::qt {

class ChatLogBatch {
 public:
  explicit ChatLogBatch(QTextEdit& edit) : edit_(edit) {}

  // Lines in the log as the core sees it: shown, less those to be trimmed,
  // plus those waiting to be shown.
  [[nodiscard]] int LineCount() const { return shown_ - trimmed_ + static_cast<int>(pending_.size()); }
  // One entry as one new last line.
  void Append(QString text, const QTextCharFormat& format);
  // Takes away the oldest line.
  void DeleteFirstLine();
  // Empties the log at once, pending lines included.
  void Clear();
  // Puts the pending edits into the view and scrolls to its end; done by
  // itself at the end of the turn in which the first edit was made.
  void Flush();

 private:
  struct Line {
    QString text;
    QTextCharFormat format;
  };

  QTextEdit& edit_;
  int shown_ = 0;    // paragraphs in the document
  int trimmed_ = 0;  // of those, the first ones to take away
  std::deque<Line> pending_;
  bool flush_posted_ = false;
  // The posted flush's context: gone with the batch, so a flush posted
  // before never touches a destroyed view.
  QObject context_;
};

}  // namespace lobbyfind::qt
