#include "win32/chat_log_batch.h"

#include <richedit.h>

#include <vector>

#include "app/screen_text.h"
#include "win32/message_window.h"
#include "win32/rich_text.h"
#include "win32/wide_text.h"

namespace lobbyfind::win32 {
namespace {
constexpr const char* kChatFace = "MS Sans Serif";
constexpr int kChatPoints = 8;
}  // namespace

ChatLogBatch::ChatLogBatch(HWND log)
    : log_(log), flush_message_(MessageWindow::Instance().Reserve([this](WPARAM, LPARAM) { Flush(); })) {}

ChatLogBatch::~ChatLogBatch() {
  // A flush still queued would reach whatever takes the message number next.
  MSG queued;
  HWND messages = MessageWindow::Instance().Handle();
  while (PeekMessageW(&queued, messages, flush_message_, flush_message_, PM_REMOVE)) {
  }
  MessageWindow::Instance().Release(flush_message_);
}

void ChatLogBatch::PostFlush() { PostMessageW(MessageWindow::Instance().Handle(), flush_message_, 0, 0); }

void ChatLogBatch::Clear() {
  SetWindowTextW(log_, L"");
  lengths_.clear();
  pending().Clear();
}

void ChatLogBatch::Flush() {
  const app::ChatLogEdits edits = pending().Take();
  if (!edits.clear && edits.trim == 0 && edits.lines.empty()) return;
  SendMessageW(log_, WM_SETREDRAW, FALSE, 0);
  if (edits.clear) {
    SetWindowTextW(log_, L"");
    lengths_.clear();
  } else if (edits.trim > 0) {
    // Each trimmed line goes with the break after it.
    int characters = 0;
    for (int i = 0; i < edits.trim; ++i) {
      characters += lengths_.front() + 1;
      lengths_.pop_front();
    }
    RichRemoveFront(log_, characters);
  }
  if (!edits.lines.empty()) {
    std::vector<RichLine> lines;
    lines.reserve(edits.lines.size());
    for (const app::ChatLogLine& line : edits.lines) {
      // One entry, one shown line: breaks and controls are shown as symbols.
      lines.push_back({Wide(app::ShownLine(line.text)), RGB(line.colour.r, line.colour.g, line.colour.b)});
      lengths_.push_back(static_cast<int>(lines.back().text.size()));
    }
    RichAppendLines(log_, lines, kChatFace, kChatPoints, edits.kept == 0);
  }
  const int end = RichTextLength(log_);
  SendMessageW(log_, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(log_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(log_, nullptr, TRUE);
  SendMessageW(log_, EM_SCROLLCARET, 0, 0);
}

}  // namespace lobbyfind::win32
