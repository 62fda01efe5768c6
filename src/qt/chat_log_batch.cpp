#include "qt/chat_log_batch.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "qt/text_bytes.h"

namespace lobbyfind::qt {

void ChatLogBatch::PostFlush() {
  QMetaObject::invokeMethod(&context_, [this] { Flush(); }, Qt::QueuedConnection);
}

void ChatLogBatch::Clear() {
  edit_.clear();
  pending().Clear();
}

void ChatLogBatch::Flush() {
  const app::ChatLogEdits edits = pending().Take();
  if (!edits.clear && edits.trim == 0 && edits.lines.empty()) return;
  if (edits.clear) edit_.clear();
  // Two edits, the trim at the start and the lines at the end, so that each
  // is laid out where it happened: one edit spanning both would lay out
  // every line of the log again.
  QTextCursor cursor(edit_.document());
  if (edits.trim > 0) {
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, edits.trim);
    cursor.removeSelectedText();
  }
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  bool empty = edits.kept == 0;
  for (const app::ChatLogLine& line : edits.lines) {
    QTextCharFormat format;
    format.setForeground(QColor(line.colour.r, line.colour.g, line.colour.b));
    if (empty) {
      cursor.setBlockCharFormat(format);
      empty = false;
    } else {
      cursor.insertBlock(QTextBlockFormat(), format);
    }
    cursor.insertText(ToScreenLine(line.text), format);
  }
  cursor.endEditBlock();
  edit_.moveCursor(QTextCursor::End);
  edit_.ensureCursorVisible();
}

}  // namespace lobbyfind::qt
