// The Qt chat log's edits of one event-loop turn (app/chat_log_pending.h),
// put into its text view together at the end of the turn.
#pragma once

#include <QObject>

#include "app/chat_log_pending.h"

class QTextEdit;

namespace lobbyfind::qt {

class ChatLogBatch final : public app::BatchedChatLog {
 public:
  explicit ChatLogBatch(QTextEdit& edit) : edit_(edit) {}

  // Empties the log at once, pending lines included.
  void Clear();
  // Puts the pending edits into the view and scrolls to its end; done by
  // itself at the end of the turn in which the first edit was made.
  void Flush();

 private:
  void PostFlush() override;

  QTextEdit& edit_;
  // The posted flush's context: gone with the batch, so a flush posted
  // before never touches a destroyed view.
  QObject context_;
};

}  // namespace lobbyfind::qt
