// The View over the Windows edition's main window: the core's output put
// into the platform's wide controls by the core's text rule
// (app/screen_text.h), so that UTF-8 and the game's Windows-1252 both show
// right and text the user did not change comes back byte for byte.
#pragma once

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/screen_text.h"
#include "app/view.h"
#include "win32/chat_log_batch.h"
#include "win32/main_window.h"

namespace lobbyfind::win32 {

class Win32View final : public app::View {
 public:
  explicit Win32View(MainWindow& window);

  [[nodiscard]] std::string Text(app::Control c) const override;
  void SetText(app::Control c, std::string_view text) override;
  [[nodiscard]] bool Checked(app::Control c) const override;
  void SetChecked(app::Control c, bool checked) override;
  [[nodiscard]] int Position(app::Control c) const override;
  void SetPosition(app::Control c, int position) override;
  [[nodiscard]] std::vector<std::string> Items(app::Control c) const override;
  void SetItems(app::Control c, const std::vector<std::string>& items) override;
  void SetItem(app::Control c, int index, std::string_view text) override;
  void AddItem(app::Control c, std::string_view text) override;
  void DeleteItem(app::Control c, int index) override;
  [[nodiscard]] bool Selected(app::Control c, int index) const override;
  void SetSelected(app::Control c, int index, bool selected) override;
  [[nodiscard]] app::ItemStyle ItemStyleAt(app::Control c, int index) const override;
  void SetItemStyle(app::Control c, int index, const app::ItemStyle& style) override;
  void SetPageVisible(app::Control page, bool visible) override;
  [[nodiscard]] bool PageVisible(app::Control page) const override;
  void SetActivePage(app::Control page) override;
  [[nodiscard]] app::Control ActivePage() const override;
  [[nodiscard]] int ChatLogLineCount() const override;
  void ChatLogDeleteFirstLine() override;
  void ChatLogAppend(std::string_view text, app::Rgb colour) override;
  void ChatLogClear() override;
  void NewsAppend(std::string_view text, const app::TextFormat& format) override;
  [[nodiscard]] std::string StatusPanelText(int panel) const override;
  void SetStatusPanelText(int panel, std::string_view text) override;
  void RepaintStatusBar() override;
  void SetStatusPanelWidth(int panel, int width) override;
  [[nodiscard]] app::Rect Bounds(app::Control c) const override;
  void SetBounds(app::Control c, const app::Rect& bounds) override;
  [[nodiscard]] app::Rgb BackgroundColour(app::Control c) const override;
  void SetBackgroundColour(app::Control c, app::Rgb colour) override;
  void ShowMessage(std::string_view text) override;
  std::string InputQuery(std::string_view caption, std::string_view prompt, std::string_view initial) override;
  std::optional<std::string> BrowseFolder(std::string_view title) override;
  std::optional<int> PopupMenu(const std::vector<std::string>& entries) override;

  // Whether the game-speed track bar stands elsewhere than the core last
  // knew; a user's move is then taken as known. A track bar reports one move
  // several times (while dragging, at its end).
  bool SpeedMovedByUser();

 private:
  [[nodiscard]] HWND Child(app::Control c) const { return window_.Child(c); }

  MainWindow& window_;
  app::ShownTexts shown_;
  // Each list's entries as the core's bytes, in the list's order.
  std::map<app::Control, std::vector<std::string>> items_;
  // Each status panel's bytes and the text shown for them.
  std::array<std::pair<std::string, std::string>, 2> panels_{};
  ChatLogBatch chat_log_;
  // The track bar's position as the core last knew it: set by the core or
  // taken from a move of the user.
  int speed_known_ = -1;
  bool news_empty_ = true;
  std::array<int, 2> panel_widths_;
};

}  // namespace lobbyfind::win32
