// The View over the real main window. Every setter blocks the widget's
// signals, so that only what the user does reaches the core. Text from the
// core is always inserted as plain text, never read as markup.
#pragma once

#include <QString>
#include <array>
#include <utility>

#include "app/screen_text.h"
#include "app/view.h"
#include "qt/chat_log_batch.h"

class QWidget;
class QTextEdit;

namespace lobbyfind::qt {

class MainWindow;

class QtView final : public app::View {
 public:
  explicit QtView(MainWindow& window);

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
  void AddItems(app::Control c, const std::vector<std::string>& items) override;
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

  // The widget that shows a control; nullptr for none.
  [[nodiscard]] QWidget* Widget(app::Control c) const;

  // Takes what the user typed into `c` as the control's text: its bytes, or
  // nothing when the text's target cannot hold a character of it (the
  // edition then says so, restores the text and leaves the core alone).
  std::optional<std::string> AcceptTyped(app::Control c);
  // Puts back the bytes last set or accepted.
  void RestoreText(app::Control c);

 private:
  [[nodiscard]] QString ScreenText(app::Control c) const;

  MainWindow& window_;
  app::ShownTexts shown_;
  // Each status panel's bytes and the text shown for them.
  std::array<std::pair<std::string, std::string>, 2> panels_{};
  // Lines in the news pane: an empty document and a document of one empty
  // line look the same to QTextDocument.
  int news_lines_ = 0;
  // The chat log's lines, shown once per turn of the event loop.
  ChatLogBatch chat_log_;
};

}  // namespace lobbyfind::qt
