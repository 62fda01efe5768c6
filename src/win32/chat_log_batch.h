// The Win32 chat log's edits of one message-loop turn (app/chat_log_pending.h),
// put into its rich edit together by a message posted to the program's
// message window: at most one trim at the top and one insertion at the end,
// with the log's redraw held off while they are made.
#pragma once

#include <windows.h>

#include <deque>

#include "app/chat_log_pending.h"

namespace lobbyfind::win32 {

class ChatLogBatch final : public app::BatchedChatLog {
 public:
  explicit ChatLogBatch(HWND log);
  ~ChatLogBatch() override;

  // Empties the log at once, pending lines included.
  void Clear();
  // Puts the pending edits into the log and scrolls to its end; done by
  // itself when the posted message comes, after what was queued before it.
  void Flush();

 private:
  void PostFlush() override;

  HWND log_;
  // Characters each shown line takes, its break not counted.
  std::deque<int> lengths_;
  UINT flush_message_;
};

}  // namespace lobbyfind::win32
