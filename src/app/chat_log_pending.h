// The chat log's edits of one event-loop turn, held until the edition puts
// them into its text view together at the end of the turn. A flood of lines
// from the chat server then costs one layout of the log per turn instead of
// one per line, and lines trimmed before they were ever shown are never laid
// out at all. Both editions keep their log's count here; only the posting of
// the flush and the widget's edits are their own.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "app/view.h"

namespace lobbyfind::app {

struct ChatLogLine {
  std::string text;  // the core's bytes, shown by the text rule when put in
  Rgb colour;
};

// What a flush does to the view, in this order.
struct ChatLogEdits {
  // Every shown line goes: the view is emptied, as a new log starts.
  bool clear = false;
  // Else the first this many lines (each with the break after it) go.
  int trim = 0;
  // Shown lines that stay, before the new ones.
  int kept = 0;
  // Lines to add at the end, oldest first; a break before each but the
  // first of an empty view.
  std::vector<ChatLogLine> lines;
};

class ChatLogPending {
 public:
  // Lines in the log as the core sees it: shown, less those to be trimmed,
  // plus those waiting to be shown.
  [[nodiscard]] int LineCount() const { return shown_ - trimmed_ + static_cast<int>(lines_.size()); }
  // One entry as one new last line. True when it is the first edit since
  // the last flush: the edition asks for a flush at the end of the turn then.
  bool Append(std::string_view text, Rgb colour);
  // Takes away the oldest line: a shown one, else the oldest waiting one.
  // True as for Append.
  bool DeleteFirstLine();
  // The view was emptied at once: nothing shown, nothing waiting.
  void Clear();
  // The edits waiting, taken; from here on they count as shown.
  [[nodiscard]] ChatLogEdits Take();

 private:
  bool Edited();

  int shown_ = 0;    // lines in the view
  int trimmed_ = 0;  // of those, the first ones to take away
  std::deque<ChatLogLine> lines_;
  bool waiting_ = false;  // edits made since the last Take
};

// An edition's chat log over ChatLogPending: the first edit of a turn asks
// the edition to flush at the end of the turn; the widget's edits are its own.
class BatchedChatLog {
 public:
  BatchedChatLog() = default;
  BatchedChatLog(const BatchedChatLog&) = delete;
  BatchedChatLog& operator=(const BatchedChatLog&) = delete;
  virtual ~BatchedChatLog() = default;

  [[nodiscard]] int LineCount() const { return pending_.LineCount(); }
  void Append(std::string_view text, Rgb colour) {
    if (pending_.Append(text, colour)) PostFlush();
  }
  void DeleteFirstLine() {
    if (pending_.DeleteFirstLine()) PostFlush();
  }

 protected:
  // Has Flush run at the end of the current turn of the event loop.
  virtual void PostFlush() = 0;
  ChatLogPending& pending() { return pending_; }

 private:
  ChatLogPending pending_;
};

}  // namespace lobbyfind::app
