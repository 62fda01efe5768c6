// A View that keeps every control's state in plain containers, for tests of
// the main window's core. It records what a real window would show, plus
// counters for repaints and the answers its dialogs should give. It behaves
// as both editions' windows do (the view contract holds it to that): the
// players list sorts itself without case, on a rename as well, and texts
// keep their bytes.
#pragma once

#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "app/view.h"

namespace lobbyfind::test {

class FakeView : public app::View {
 public:
  struct ChatLine {
    std::string text;
    app::Rgb colour;
  };
  struct NewsLine {
    std::string text;
    app::TextFormat format;
  };

  FakeView();

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
  void MarkUnreachable(app::Control c, int index) override;
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
  std::string InputQuery(std::string_view caption, std::string_view prompt,
                         std::string_view initial) override;
  std::optional<std::string> BrowseFolder(std::string_view title) override;
  std::optional<int> PopupMenu(const std::vector<std::string>& entries) override;

  // The user replaces an edit's text by typing `screen` (UTF-8): the control
  // then holds it encoded for where it goes, as the editions do.
  void Type(app::Control c, std::string_view screen);

  // What the window showed.
  std::map<app::Control, std::string> texts;
  std::map<app::Control, bool> checked;
  std::map<app::Control, int> positions;
  std::map<app::Control, std::vector<std::string>> items;
  std::map<app::Control, std::vector<bool>> selected;
  std::map<app::Control, std::vector<app::ItemStyle>> styles;
  // Entries marked unreachable since the list's items were last replaced.
  std::map<app::Control, std::set<int>> unreachable;
  std::map<app::Control, bool> page_visible;
  app::Control active_page = app::Control::tab_Start;
  std::vector<ChatLine> chat_log;
  // The caret sits at the end after every append (false after a clear).
  bool chat_caret_at_end = false;
  std::vector<NewsLine> news;
  std::string status_panels[2];
  // Every text the first status panel showed, in order.
  std::vector<std::string> status_history;
  int status_panel_widths[2] = {0, 40};
  int status_repaints = 0;
  std::map<app::Control, app::Rect> bounds;
  std::map<app::Control, app::Rgb> background;
  std::vector<std::string> messages;
  std::vector<std::string> input_queries;
  std::vector<std::string> folder_titles;

  // Answers of the dialogs: the next input query returns this (or its
  // initial text when empty); the folder dialog returns this.
  std::optional<std::string> input_answer;
  std::optional<std::string> folder_answer;
  // Every context menu shown, and the entry the user picks (none: dismissed).
  std::vector<std::vector<std::string>> menus;
  std::optional<int> menu_answer;
};

}  // namespace lobbyfind::test
