// The chat log under a long session: 10,000 lines through AddChatLine into
// the real window (offscreen platform), which keeps the last 201. Each line
// is followed by one turn of the event loop, as lines arriving one by one
// from the chat server are, so every line is also laid out and painted.
// Figures: time per line in AddChatLine (trim, insert, scroll) over all
// lines, over the first and the last thousand, and their ratio; then the
// same with the painting. Target: under 0.5 ms per line in AddChatLine, and
// the last thousand no slower than the first (constant in the lines
// written).
#include <QTextDocument>
#include <QTextEdit>
#include <string>
#include <vector>

#include "lobby_bench_support.h"

namespace lobbyfind::bench {
namespace {

constexpr int kLines = 10000;
constexpr int kBlock = 1000;
constexpr double kPerLineTargetMs = 0.5;
// The last thousand may be this much slower than the first and still count
// as constant (timer noise on a shared machine).
constexpr double kConstantLimit = 1.25;

int ChatLog(BenchLobby& lobby) {
  Heading("Chat log: 10,000 lines through AddChatLine, 201 kept");
  const app::LineKind kinds[] = {app::LineKind::lkNotice, app::LineKind::lkChat, app::LineKind::lkWhisper,
                                 app::LineKind::lkSystem};
  std::vector<double> block_ms;  // AddChatLine alone, per thousand lines
  double in_block = 0;
  double in_add_ms = 0;
  const double start = NowMs();
  for (int i = 0; i < kLines; ++i) {
    const std::string text = "<player" + std::to_string(i % 37) + "> line " + std::to_string(i) +
                             " of a long evening in the lobby, anyone for a game?";
    const double before = NowMs();
    lobby->form().AddChatLine(kinds[i % 4], text);
    const double took = NowMs() - before;
    in_add_ms += took;
    in_block += took;
    QCoreApplication::processEvents();
    if ((i + 1) % kBlock == 0) {
      block_ms.push_back(in_block);
      in_block = 0;
    }
  }
  const double total = NowMs() - start;
  int failed = 0;
  const int kept = lobby->view().ChatLogLineCount();
  const int blocks_in_document = lobby->window().chatlog->document()->blockCount();
  failed += !Checked("lines kept in the log (view and document)", kept, "lines", "201",
                     kept == 201 && blocks_in_document == 201);
  failed += !Checked("undo steps kept by the log", lobby->window().chatlog->document()->availableUndoSteps(), "steps",
                     "0", lobby->window().chatlog->document()->availableUndoSteps() == 0);
  const double per_line = in_add_ms / kLines;
  failed += !Checked("AddChatLine per line, all 10,000", per_line, "ms", "< 0.5 ms", per_line < kPerLineTargetMs);
  const double first = block_ms.front() / kBlock;
  const double last = block_ms.back() / kBlock;
  Figure("AddChatLine per line, first 1,000", first, "ms");
  Figure("AddChatLine per line, last 1,000", last, "ms");
  Figure("AddChatLine per line, slowest thousand", Max(block_ms) / kBlock, "ms");
  failed += !Checked("last 1,000 / first 1,000", last / first, "x", "<= 1.25 (constant)", last / first <= kConstantLimit);
  Figure("per line with its layout and paint (one turn each)", total / kLines, "ms");
  return failed;
}

}  // namespace
}  // namespace lobbyfind::bench

int main(int argc, char** argv) {
  using namespace lobbyfind::bench;
  UseOffscreenPlatform();
  QApplication application(argc, argv);
  PrintLoad();
  ReplyServer unused_directory;
  BenchLobby lobby(unused_directory.Port(), 0);
  const int failed = ChatLog(lobby);
  return failed == 0 ? 0 : 1;
}
