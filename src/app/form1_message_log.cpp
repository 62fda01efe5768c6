// The three output procedures of the main window: chat-log lines, the status
// line and news items.
#include <cstdio>

#include "app/form1.h"

namespace lobbyfind::app {
namespace {

constexpr char kStatusBarChar = '|';
constexpr int kStatusBarMaxBars = 9;

struct NewsLine {
  int point_size;
  bool bold;
  Rgb colour;
};
constexpr NewsLine kNewsTitle{11, true, {235, 235, 235}};
constexpr NewsLine kNewsByline{7, false, {149, 149, 149}};
constexpr NewsLine kNewsContent{9, false, {214, 214, 214}};
constexpr NewsLine kNewsSpacer{5, false, {214, 214, 214}};

TextFormat Format(const NewsLine& line) { return TextFormat{line.point_size, line.bold, line.colour}; }

}  // namespace

std::string TForm1::Timestamp() const {
  const std::int32_t ms = deps_.clock->MsSinceMidnight();
  const int seconds = ms / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60,
                seconds % 60);
  return text;
}

void TForm1::AddChatLine(LineKind kind, std::string_view text) {
  (void)LineColour(kind, chat_colour_);  // an unknown kind keeps the colour
  AppendChatLine(text, chat_colour_);
}

void TForm1::AppendChatLine(std::string_view text, Rgb colour) {
  // Trimming before the append keeps at most one line more than this.
  while (view_.ChatLogLineCount() > kChatLogKeepLines) {
    view_.ChatLogDeleteFirstLine();
  }
  if (view_.Checked(Control::timestampinchat)) {
    view_.ChatLogAppend("[" + Timestamp() + "] " + std::string(text), colour);
  } else {
    view_.ChatLogAppend(text, colour);
  }
}

void TForm1::SetStatus(std::string_view text, std::uint8_t percent) {
  const std::string panels[2] = {
      std::string(text) + " (" + std::to_string(percent) + "%)",
      std::string(static_cast<std::size_t>(percent * kStatusBarMaxBars / 100), kStatusBarChar),
  };
  bool changed = false;
  for (int panel = 0; panel < 2; ++panel) {
    if (view_.StatusPanelText(panel) != panels[panel]) {
      view_.SetStatusPanelText(panel, panels[panel]);
      changed = true;
    }
  }
  // Repainting at once shows progress while the caller keeps the event loop
  // busy.
  if (changed) {
    view_.RepaintStatusBar();
  }
}

void TForm1::AddNewsItem(std::string_view title, std::string_view content, std::string_view author,
                         std::string_view time) {
  view_.NewsAppend(title, Format(kNewsTitle));
  view_.NewsAppend("By " + std::string(author) + ", " + std::string(time), Format(kNewsByline));
  view_.NewsAppend(content, Format(kNewsContent));
  view_.NewsAppend("", Format(kNewsSpacer));
}

}  // namespace lobbyfind::app
