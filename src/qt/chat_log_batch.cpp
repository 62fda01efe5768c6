#include "qt/chat_log_batch.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace lobbyfind::qt {

void ChatLogBatch::Append(QString text, const QTextCharFormat& format) {
  pending_.push_back({std::move(text), format});
  if (!flush_posted_) {
    flush_posted_ = true;
    QMetaObject::invokeMethod(&context_, [this] { Flush(); }, Qt::QueuedConnection);
  }
}

void ChatLogBatch::DeleteFirstLine() {
  if (trimmed_ < shown_) {
    ++trimmed_;
  } else if (!pending_.empty()) {
    pending_.pop_front();  // trimmed before it was ever shown
  }
}

void ChatLogBatch::Clear() {
  edit_.clear();
  shown_ = 0;
  trimmed_ = 0;
  pending_.clear();
}

void ChatLogBatch::Flush() {
  flush_posted_ = false;
  if (trimmed_ == 0 && pending_.empty()) return;
  if (trimmed_ > 0 && trimmed_ == shown_) {
    // Every shown line goes: an empty document, as a new log starts.
    edit_.clear();
    shown_ = 0;
    trimmed_ = 0;
  }
  // Two edits, the trim at the start and the lines at the end, so that each
  // is laid out where it happened: one edit spanning both would lay out
  // every line of the log again.
  QTextCursor cursor(edit_.document());
  if (trimmed_ > 0) {
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, trimmed_);
    cursor.removeSelectedText();
    shown_ -= trimmed_;
    trimmed_ = 0;
  }
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  for (const Line& line : pending_) {
    if (shown_ > 0) {
      cursor.insertBlock(QTextBlockFormat(), line.format);
    } else {
      cursor.setBlockCharFormat(line.format);
    }
    cursor.insertText(line.text, line.format);
    ++shown_;
  }
  cursor.endEditBlock();
  pending_.clear();
  edit_.moveCursor(QTextCursor::End);
  edit_.ensureCursorVisible();
}

}  // namespace lobbyfind::qt
