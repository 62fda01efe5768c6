#include "qt/qt_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "qt/main_window.h"
#include "qt/text_bytes.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::qt {
namespace {

using app::Control;

constexpr const char* kDialogCaption = "lobbyfind";

QColor ToColor(app::Rgb c) { return QColor(c.r, c.g, c.b); }
app::Rgb ToRgb(const QColor& c) {
  return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
          static_cast<std::uint8_t>(c.blue())};
}

// Appends plain text as one new paragraph at the end of a text view in a
// character format; `lines` counts the paragraphs appended so far.
void AppendLine(QTextEdit& edit, int& lines, const QString& text, const QTextCharFormat& format) {
  QTextCursor cursor(edit.document());
  cursor.movePosition(QTextCursor::End);
  if (lines > 0) {
    cursor.insertBlock(QTextBlockFormat(), format);
  } else {
    cursor.setBlockCharFormat(format);
  }
  cursor.insertText(text, format);
  ++lines;
}

QListWidget* AsList(QWidget* w) { return qobject_cast<QListWidget*>(w); }

}  // namespace

QtView::QtView(MainWindow& window) : window_(window) {}

QWidget* QtView::Widget(Control c) const {
  MainWindow& w = window_;
  switch (c) {
    case Control::PageControl1: return w.PageControl1;
    case Control::tab_Start: return w.tab_Start;
    case Control::tab_Internetgames: return w.tab_Internetgames;
    case Control::tab_Options: return w.tab_Options;
    case Control::onlinenews: return w.onlinenews;
    case Control::newsbackgroundlabel: return w.newsbackgroundlabel;
    case Control::currentplayername: return w.currentplayername;
    case Control::Edit4: return w.Edit4;
    case Control::Button7: return w.Button7;
    case Control::chatlog: return w.chatlog;
    case Control::ListBox2: return w.ListBox2;
    case Control::playershint: return w.playershint;
    case Control::Edit3: return w.Edit3;
    case Control::ListBox1: return w.ListBox1;
    case Control::Button1: return w.Button1;
    case Control::Button4: return w.Button4;
    case Control::currentgamemode: return w.currentgamemode;
    case Control::currentgamespeed: return w.currentgamespeed;
    case Control::currentfraglimit: return w.currentfraglimit;
    case Control::currentscorelimit: return w.currentscorelimit;
    case Control::currentgametimelimit: return w.currentgametimelimit;
    case Control::currentpoliceenabled: return w.currentpoliceenabled;
    case Control::currentgtadirectory: return w.currentgtadirectory;
    case Control::Button6: return w.Button6;
    case Control::currentshowplayernames: return w.currentshowplayernames;
    case Control::timestampinchat: return w.timestampinchat;
    case Control::keepselectionafterwhisper: return w.keepselectionafterwhisper;
    case Control::serverlistrefreshtime: return w.serverlistrefreshtime;
    case Control::StatusBar: return w.StatusBar;
  }
  return nullptr;
}

std::string QtView::Text(Control c) const {
  QWidget* w = Widget(c);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return ToBytes(edit->text());
  if (auto* spin = qobject_cast<TextSpinBox*>(w)) return ToBytes(spin->shownText());
  if (auto* label = qobject_cast<QLabel*>(w)) return ToBytes(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return ToBytes(button->text());
  if (auto* text = qobject_cast<QTextEdit*>(w)) return ToBytes(text->toPlainText());
  return {};
}

void QtView::SetText(Control c, std::string_view text) {
  QWidget* w = Widget(c);
  const QSignalBlocker quiet(w);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(ToScreen(text));
  else if (auto* spin = qobject_cast<TextSpinBox*>(w)) spin->setShownText(ToScreen(text));
  else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(ToScreen(text));
  else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(ToScreen(text));
}

bool QtView::Checked(Control c) const {
  auto* box = qobject_cast<QCheckBox*>(Widget(c));
  return box != nullptr && box->isChecked();
}

void QtView::SetChecked(Control c, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(Widget(c))) {
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
  }
}

int QtView::Position(Control c) const {
  QWidget* w = Widget(c);
  if (auto* slider = qobject_cast<QSlider*>(w)) return slider->value();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
  return 0;
}

void QtView::SetPosition(Control c, int position) {
  QWidget* w = Widget(c);
  const QSignalBlocker quiet(w);
  if (auto* slider = qobject_cast<QSlider*>(w)) slider->setValue(position);
  else if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(position);
}

std::vector<std::string> QtView::Items(Control c) const {
  std::vector<std::string> out;
  if (auto* list = AsList(Widget(c))) {
    for (int i = 0; i < list->count(); ++i) out.push_back(ToBytes(list->item(i)->text()));
  }
  return out;
}

void QtView::SetItems(Control c, const std::vector<std::string>& items) {
  if (auto* list = AsList(Widget(c))) {
    const QSignalBlocker quiet(list);
    list->clear();
    if (list->isSortingEnabled()) {
      for (const auto& item : items) list->addItem(ToScreen(item));  // each in its place
      return;
    }
    // One insertion for the whole list: a game list of thousands of servers
    // is not laid out once per line.
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& item : items) texts.push_back(ToScreen(item));
    list->addItems(texts);
  }
}

void QtView::SetItem(Control c, int index, std::string_view text) {
  if (auto* list = AsList(Widget(c)); list != nullptr && list->item(index) != nullptr) {
    const QSignalBlocker quiet(list);
    list->item(index)->setText(ToScreen(text));
  }
}

void QtView::AddItem(Control c, std::string_view text) {
  if (auto* list = AsList(Widget(c))) {
    const QSignalBlocker quiet(list);
    list->addItem(ToScreen(text));  // a sorted list puts it in its place
  }
}

void QtView::DeleteItem(Control c, int index) {
  if (auto* list = AsList(Widget(c))) {
    const QSignalBlocker quiet(list);
    delete list->takeItem(index);
  }
}

bool QtView::Selected(Control c, int index) const {
  auto* list = AsList(Widget(c));
  return list != nullptr && list->item(index) != nullptr && list->item(index)->isSelected();
}

void QtView::SetSelected(Control c, int index, bool selected) {
  if (auto* list = AsList(Widget(c)); list != nullptr && list->item(index) != nullptr) {
    const QSignalBlocker quiet(list);
    list->item(index)->setSelected(selected);
  }
}

void QtView::SetPageVisible(Control page, bool visible) {
  const QSignalBlocker quiet(window_.PageControl1);
  window_.PageControl1->setTabVisible(window_.PageControl1->indexOf(Widget(page)), visible);
}

bool QtView::PageVisible(Control page) const {
  return window_.PageControl1->isTabVisible(window_.PageControl1->indexOf(Widget(page)));
}

void QtView::SetActivePage(Control page) {
  const QSignalBlocker quiet(window_.PageControl1);
  window_.PageControl1->setCurrentWidget(Widget(page));
}

Control QtView::ActivePage() const {
  QWidget* current = window_.PageControl1->currentWidget();
  for (Control page : {Control::tab_Start, Control::tab_Internetgames, Control::tab_Options}) {
    if (Widget(page) == current) return page;
  }
  return Control::tab_Start;
}

int QtView::ChatLogLineCount() const { return chat_lines_; }

void QtView::ChatLogDeleteFirstLine() {
  if (chat_lines_ <= 1) {
    ChatLogClear();
    return;
  }
  QTextCursor cursor(window_.chatlog->document()->firstBlock());
  cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  --chat_lines_;
}

void QtView::ChatLogAppend(std::string_view text, app::Rgb colour) {
  QTextCharFormat format;
  format.setForeground(ToColor(colour));
  // The log's line count is what keeps it short: one entry, one line.
  AppendLine(*window_.chatlog, chat_lines_, ToScreenLine(text), format);
  window_.chatlog->moveCursor(QTextCursor::End);
  window_.chatlog->ensureCursorVisible();
}

void QtView::ChatLogClear() {
  window_.chatlog->clear();
  chat_lines_ = 0;
}

void QtView::NewsAppend(std::string_view text, const app::TextFormat& format) {
  QTextCharFormat chars;
  chars.setFontPointSize(format.point_size);
  chars.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  chars.setForeground(ToColor(format.colour));
  // News content may span lines on purpose.
  AppendLine(*window_.onlinenews, news_lines_, ToScreen(text), chars);
}

std::string QtView::StatusPanelText(int panel) const {
  return ToBytes((panel == 0 ? window_.StatusPanel0 : window_.StatusPanel1)->text());
}

void QtView::SetStatusPanelText(int panel, std::string_view text) {
  (panel == 0 ? window_.StatusPanel0 : window_.StatusPanel1)->setText(ToScreen(text));
}

void QtView::RepaintStatusBar() { window_.StatusBar->repaint(); }

void QtView::SetStatusPanelWidth(int panel, int width) {
  QLabel* p0 = window_.StatusPanel0;
  QLabel* p1 = window_.StatusPanel1;
  if (panel == 0) {
    p0->resize(width, p0->height());
    p1->move(width, 0);
  } else {
    p1->resize(width, p1->height());
  }
}

app::Rect QtView::Bounds(Control c) const {
  const QRect r = Widget(c)->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void QtView::SetBounds(Control c, const app::Rect& bounds) {
  Widget(c)->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
}

app::Rgb QtView::BackgroundColour(Control c) const {
  QWidget* w = Widget(c);
  const auto role = qobject_cast<QTextEdit*>(w) != nullptr ? QPalette::Base : QPalette::Window;
  return ToRgb(w->palette().color(role));
}

void QtView::SetBackgroundColour(Control c, app::Rgb colour) {
  QWidget* w = Widget(c);
  QPalette palette = w->palette();
  palette.setColor(qobject_cast<QTextEdit*>(w) != nullptr ? QPalette::Base : QPalette::Window,
                   ToColor(colour));
  w->setPalette(palette);
  w->setAutoFillBackground(true);
}

void QtView::ShowMessage(std::string_view text) {
  QMessageBox::information(&window_, kDialogCaption, ToScreen(text));
}

std::string QtView::InputQuery(std::string_view caption, std::string_view prompt,
                               std::string_view initial) {
  bool ok = false;
  const QString answer = QInputDialog::getText(&window_, ToScreen(caption), ToScreen(prompt),
                                               QLineEdit::Normal, ToScreen(initial), &ok);
  return ok ? ToBytes(answer) : std::string(initial);
}

std::optional<std::string> QtView::BrowseFolder(std::string_view title) {
  const QString folder = QFileDialog::getExistingDirectory(&window_, ToScreen(title));
  if (folder.isEmpty()) return std::nullopt;
  return ToBytes(folder);
}

}  // namespace lobbyfind::qt
