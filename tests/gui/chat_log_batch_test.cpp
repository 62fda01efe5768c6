// The Qt chat log shows the lines of one event-loop turn together: whatever
// the turns, the log ends with the newest lines, in order, at its cap.
#include <QApplication>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/form1.h"
#include "qt/main_window.h"
#include "qt/qt_view.h"

namespace lobbyfind::qt {
namespace {

constexpr int kCap = app::TForm1::kChatLogKeepLines;

struct Schedule {
  const char* name;
  std::vector<int> lines_per_turn;
  int clear_after_turn = -1;  // the log emptied at the end of this turn's lines, before it ends
};

std::vector<std::string> BatchDocumentLines(const QTextEdit& edit) {
  std::vector<std::string> lines;
  if (edit.document()->isEmpty()) return lines;
  for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdString());
  return lines;
}

TEST(ChatLogBatch, TheNewestLinesInOrderAtTheCapWhateverTheTurns) {
  const Schedule schedules[] = {
      {"one line", {1}},
      {"fewer than the cap in one turn", {150}},
      {"more than the cap in one turn", {1000}},
      {"a line a turn past the cap", std::vector<int>(230, 1)},
      {"turns that cross the cap", {150, 100, 3, 400, 1}},
      {"exactly the cap and one", {kCap + 1}},
      {"cleared with lines pending", {120, 50}, 1},
      {"cleared, then a full turn", {300, 20, 260}, 1},
  };
  for (const Schedule& s : schedules) {
    MainWindow window;
    QtView view(window);
    view.ChatLogClear();
    int written = 0;
    int first_after_clear = 0;
    for (std::size_t turn = 0; turn < s.lines_per_turn.size(); ++turn) {
      for (int i = 0; i < s.lines_per_turn[turn]; ++i) {
        while (view.ChatLogLineCount() > kCap) view.ChatLogDeleteFirstLine();
        view.ChatLogAppend("line " + std::to_string(written++), {0, 0, 0});
      }
      if (static_cast<int>(turn) == s.clear_after_turn) {
        view.ChatLogClear();
        first_after_clear = written;
      }
      QCoreApplication::processEvents();
    }
    std::vector<std::string> expected;
    for (int i = std::max(first_after_clear, written - (kCap + 1)); i < written; ++i) {
      expected.push_back("line " + std::to_string(i));
    }
    EXPECT_EQ(BatchDocumentLines(*window.chatlog), expected) << s.name;
    EXPECT_EQ(view.ChatLogLineCount(), static_cast<int>(expected.size())) << s.name;
    EXPECT_EQ(window.chatlog->textCursor().position(), window.chatlog->document()->characterCount() - 1)
        << s.name << ": scrolled to the newest line";
  }
}

TEST(ChatLogBatch, CountsLinesBeforeTheyAreShown) {
  MainWindow window;
  QtView view(window);
  view.ChatLogClear();
  for (int i = 0; i < 5; ++i) view.ChatLogAppend("shown " + std::to_string(i), {0, 0, 0});
  QCoreApplication::processEvents();
  for (int i = 0; i < 3; ++i) view.ChatLogAppend("pending " + std::to_string(i), {0, 0, 0});
  EXPECT_EQ(view.ChatLogLineCount(), 8);
  // Trimming takes shown lines first, then pending ones, oldest first.
  for (int i = 0; i < 6; ++i) view.ChatLogDeleteFirstLine();
  EXPECT_EQ(view.ChatLogLineCount(), 2);
  QCoreApplication::processEvents();
  EXPECT_EQ(BatchDocumentLines(*window.chatlog), (std::vector<std::string>{"pending 1", "pending 2"}));
}

}  // namespace
}  // namespace lobbyfind::qt
