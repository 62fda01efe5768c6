// The view contract against the real Qt main window (offscreen).
#include "support/view_contract.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTimer>

#include "qt/main_window.h"
#include "qt/qt_view.h"
#include "qt/text_bytes.h"

namespace lobbyfind::test {
namespace {

std::string Utf8(const QString& text) { return qt::ToUtf8(text); }

// What a label shows the user: its text, or the text its markup renders.
std::string ShownLabel(const QLabel& label) {
  const bool rich = label.textFormat() == Qt::RichText ||
                    (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
  return Utf8(rich ? QTextDocumentFragment::fromHtml(label.text()).toPlainText() : label.text());
}

// The lines of a text view: paragraphs, and line separators within them.
std::vector<std::string> ShownLines(const QTextEdit& edit) {
  std::vector<std::string> lines;
  if (edit.document()->isEmpty()) return lines;
  for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
    for (const QString& line : block.text().split(QChar::LineSeparator)) lines.push_back(Utf8(line));
  }
  return lines;
}

class QtViewUnderTest final : public ViewUnderTest {
 public:
  QtViewUnderTest() : view_(window_) {}
  app::View& view() override { return view_; }
  std::string Shown(app::Control c) override {
    QWidget* w = view_.Widget(c);
    if (auto* label = qobject_cast<QLabel*>(w)) return ShownLabel(*label);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return Utf8(edit->text());
    ADD_FAILURE() << "no text control";
    return {};
  }
  std::vector<std::string> ShownItems(app::Control c) override {
    auto* list = qobject_cast<QListWidget*>(view_.Widget(c));
    std::vector<std::string> shown;
    for (int i = 0; i < list->count(); ++i) shown.push_back(Utf8(list->item(i)->text()));
    return shown;
  }
  std::vector<std::string> ShownChatLines() override {
    QCoreApplication::processEvents();  // the log shows its lines at the end of the turn
    return ShownLines(*window_.chatlog);
  }
  std::vector<app::Rgb> ShownChatColours() override {
    QCoreApplication::processEvents();
    std::vector<app::Rgb> colours;
    if (window_.chatlog->document()->isEmpty()) return colours;
    for (QTextBlock block = window_.chatlog->document()->begin(); block.isValid(); block = block.next()) {
      const QColor c = block.begin().fragment().charFormat().foreground().color();
      colours.push_back({static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue())});
    }
    return colours;
  }
  bool ChatCaretAtEnd() override {
    return window_.chatlog->textCursor().position() == window_.chatlog->document()->characterCount() - 1;
  }
  void EndTurn() override { QCoreApplication::processEvents(); }
  std::vector<std::string> ShownNewsLines() override { return ShownLines(*window_.onlinenews); }
  void Type(app::Control c, const std::string& screen) override {
    qobject_cast<QLineEdit*>(view_.Widget(c))->setText(QString::fromUtf8(screen.c_str()));
  }
  std::string ShownMessage(const std::string& text) override {
    std::string shown = "(no message box)";
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) shown = ShownLabel(*label);
      box->accept();
    });
    poll.start(5);
    view_.ShowMessage(text);
    return shown;
  }

 private:
  qt::MainWindow window_;
  qt::QtView view_;
};

INSTANTIATE_TEST_SUITE_P(Qt, ViewContract,
                         ::testing::Values(ViewFactory{"Qt", [] { return std::make_unique<QtViewUnderTest>(); }}),
                         PrintViewFactory);

}  // namespace
}  // namespace lobbyfind::test
