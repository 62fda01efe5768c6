#include "qt/qt_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QCursor>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "app/screen_text.h"
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

// Each list entry keeps the core's bytes beside its shown text.
constexpr int kBytesRole = Qt::UserRole + 1;

std::string ItemBytes(const QListWidgetItem* item) {
  const QVariant bytes = item->data(kBytesRole);
  if (!bytes.isValid()) return ToUtf8(item->text());
  const QByteArray data = bytes.toByteArray();
  return {data.constData(), static_cast<std::size_t>(data.size())};
}

// Puts the bytes beside an entry's text. No view shows them, so no view
// hears of it; a sorted list re-sorts when the text is set afterwards.
void StoreBytes(QListWidgetItem& item, std::string_view bytes) {
  QListWidget* list = item.listWidget();
  const QSignalBlocker quiet(list != nullptr ? list->model() : nullptr);
  item.setData(kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// An entry of a sorted list: sorted as a Windows list box sorts, without
// regard to case.
class SortedEntry final : public QListWidgetItem {
 public:
  explicit SortedEntry(std::string_view bytes) : QListWidgetItem(ToScreen(bytes)) { StoreBytes(*this, bytes); }
  bool operator<(const QListWidgetItem& other) const override {
    return app::LessIgnoringCase(ItemBytes(this), ItemBytes(&other));
  }
};

// Appends entries to an unsorted list in one insertion: a game list of
// thousands of servers is not laid out, nor its views told, once per line.
void Append(QListWidget& list, const std::vector<std::string>& items) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(items.size()));
  for (const auto& item : items) texts.push_back(ToScreen(item));
  const int first = list.count();
  list.addItems(texts);
  for (std::size_t i = 0; i < items.size(); ++i) StoreBytes(*list.item(first + static_cast<int>(i)), items[i]);
}

}  // namespace

QtView::QtView(MainWindow& window) : window_(window), chat_log_(*window.chatlog) {}

QWidget* QtView::Widget(Control c) const {
  MainWindow& w = window_;
  switch (c) {
    case Control::PageControl1: return w.PageControl1;
    case Control::tab_Start:
    case Control::tab_Internetgames:
    case Control::tab_Options: return w.Page(c);
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
    case Control::upnp: return w.upnp;
    case Control::StatusBar: return w.StatusBar;
    case Control::notifynewgames: return w.notifynewgames;
    case Control::notifywhispers: return w.notifywhispers;
    case Control::notifymynick: return w.notifymynick;
    case Control::gamefilter: return w.gamefilter;
    case Control::sortgamesbytime: return w.sortgamesbytime;
  }
  return nullptr;
}

QString QtView::ScreenText(Control c) const {
  QWidget* w = Widget(c);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* spin = qobject_cast<TextSpinBox*>(w)) return spin->shownText();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* text = qobject_cast<QTextEdit*>(w)) return text->toPlainText();
  return {};
}

std::string QtView::Text(Control c) const { return shown_.Bytes(c, ToUtf8(ScreenText(c))); }

void QtView::SetText(Control c, std::string_view text) {
  QWidget* w = Widget(c);
  const QSignalBlocker quiet(w);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(ToScreen(text));
  } else if (auto* spin = qobject_cast<TextSpinBox*>(w)) {
    spin->setShownText(ToScreen(text));
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setTextFormat(Qt::PlainText);
    label->setText(ToScreen(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(ToScreen(text));
  }
  // What the control shows now stands for these bytes until the user edits it.
  shown_.Remember(c, text, ToUtf8(ScreenText(c)));
}

std::optional<std::string> QtView::AcceptTyped(Control c) { return shown_.Typed(c, ToUtf8(ScreenText(c))); }

void QtView::RestoreText(Control c) { SetText(c, shown_.Last(c)); }

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
    for (int i = 0; i < list->count(); ++i) out.push_back(ItemBytes(list->item(i)));
  }
  return out;
}

void QtView::SetItems(Control c, const std::vector<std::string>& items) {
  if (auto* list = AsList(Widget(c))) {
    const QSignalBlocker quiet(list);
    list->clear();
    if (list->isSortingEnabled()) {
      // Sorted once for the whole list, not once per entry.
      list->setSortingEnabled(false);
      for (const auto& item : items) list->addItem(new SortedEntry(item));
      list->setSortingEnabled(true);
      list->sortItems(Qt::AscendingOrder);
      return;
    }
    Append(*list, items);
  }
}

void QtView::AddItems(Control c, const std::vector<std::string>& items) {
  auto* list = AsList(Widget(c));
  if (list == nullptr) return;
  if (list->isSortingEnabled()) {
    for (const auto& item : items) AddItem(c, item);
    return;
  }
  const QSignalBlocker quiet(list);
  Append(*list, items);
}

void QtView::SetItem(Control c, int index, std::string_view text) {
  if (auto* list = AsList(Widget(c)); list != nullptr && list->item(index) != nullptr) {
    const QSignalBlocker quiet(list);
    // The bytes first: a sorted list re-sorts by them when the text changes.
    StoreBytes(*list->item(index), text);
    list->item(index)->setText(ToScreen(text));
  }
}

void QtView::AddItem(Control c, std::string_view text) {
  if (auto* list = AsList(Widget(c))) {
    const QSignalBlocker quiet(list);
    if (list->isSortingEnabled()) {
      list->addItem(new SortedEntry(text));  // in its place
    } else {
      auto* item = new QListWidgetItem(ToScreen(text), list);
      StoreBytes(*item, text);
    }
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

app::ItemStyle QtView::ItemStyleAt(Control c, int index) const {
  auto* list = AsList(Widget(c));
  const QListWidgetItem* item = list != nullptr ? list->item(index) : nullptr;
  if (item == nullptr) return {};
  app::ItemStyle style;
  const QVariant foreground = item->data(Qt::ForegroundRole);
  if (foreground.isValid()) {
    const QColor colour = foreground.value<QBrush>().color();
    style.colour = app::Rgb{static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                            static_cast<std::uint8_t>(colour.blue())};
  }
  style.bold = item->font().bold();
  return style;
}

void QtView::SetItemStyle(Control c, int index, const app::ItemStyle& style) {
  auto* list = AsList(Widget(c));
  QListWidgetItem* item = list != nullptr ? list->item(index) : nullptr;
  if (item == nullptr) return;
  const QSignalBlocker quiet(list);
  if (style.colour) {
    item->setForeground(QColor(style.colour->r, style.colour->g, style.colour->b));
  } else {
    item->setData(Qt::ForegroundRole, QVariant());
  }
  // The item's own font, when it has one: a slant marking the game as
  // unreachable stays.
  QFont font = item->data(Qt::FontRole).isValid() ? item->font() : list->font();
  font.setBold(style.bold);
  item->setFont(font);
}

void QtView::MarkUnreachable(Control c, int index) {
  if (auto* list = AsList(Widget(c)); list != nullptr && list->item(index) != nullptr) {
    // Slanted, with the reason on hover: the colours say how fast a game answers.
    QListWidgetItem& item = *list->item(index);
    QFont font = item.font();
    font.setItalic(true);
    item.setFont(font);
    item.setToolTip(QStringLiteral("The directory could not reach this game from the internet"));
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

int QtView::ChatLogLineCount() const { return chat_log_.LineCount(); }

void QtView::ChatLogDeleteFirstLine() { chat_log_.DeleteFirstLine(); }

void QtView::ChatLogAppend(std::string_view text, app::Rgb colour) {
  // The log's line count is what keeps it short: one entry, one line.
  chat_log_.Append(text, colour);
}

void QtView::ChatLogClear() { chat_log_.Clear(); }

void QtView::NewsAppend(std::string_view text, const app::TextFormat& format) {
  QTextCharFormat chars;
  chars.setFontPointSize(format.point_size);
  chars.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  chars.setForeground(ToColor(format.colour));
  // News content may span lines on purpose.
  AppendLine(*window_.onlinenews, news_lines_, ToScreen(text), chars);
}

std::string QtView::StatusPanelText(int panel) const {
  const std::string shown = ToUtf8((panel == 0 ? window_.StatusPanel0 : window_.StatusPanel1)->text());
  const auto& [bytes, was_shown] = panels_.at(panel == 0 ? 0 : 1);
  return shown == was_shown ? bytes : shown;
}

void QtView::SetStatusPanelText(int panel, std::string_view text) {
  QLabel* label = panel == 0 ? window_.StatusPanel0 : window_.StatusPanel1;
  label->setTextFormat(Qt::PlainText);
  label->setText(ToScreen(text));
  panels_.at(panel == 0 ? 0 : 1) = {std::string(text), ToUtf8(label->text())};
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
  // Messages carry network text (an update notice, a service's answer): it
  // is shown as it stands, never read as markup.
  QMessageBox box(QMessageBox::Information, kDialogCaption, ToScreen(text), QMessageBox::Ok, &window_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::string QtView::InputQuery(std::string_view caption, std::string_view prompt,
                               std::string_view initial) {
  QInputDialog dialog(&window_);
  dialog.setWindowTitle(ToScreen(caption));
  dialog.setLabelText(ToScreen(prompt));
  dialog.setTextValue(ToScreen(initial));
  // The prompt holds a nickname from the server: plain text only.
  for (auto* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
  if (dialog.exec() != QDialog::Accepted) return std::string(initial);
  const QString answer = dialog.textValue();
  // An answer left as suggested comes back as the suggestion's bytes.
  if (answer == ToScreen(initial)) return std::string(initial);
  return app::TypedBytes(ToUtf8(answer), app::TextTarget::kChat).value_or(std::string(initial));
}

std::optional<std::string> QtView::BrowseFolder(std::string_view title) {
  const QString folder = QFileDialog::getExistingDirectory(&window_, ToScreen(title));
  if (folder.isEmpty()) return std::nullopt;
  // A path of this machine's file system, in its own encoding.
  const QByteArray path = QFile::encodeName(folder);
  return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

std::optional<int> QtView::PopupMenu(const std::vector<std::string>& entries) {
  QMenu menu(&window_);
  for (const auto& entry : entries) menu.addAction(ToScreen(entry));
  const QAction* chosen = menu.exec(QCursor::pos());
  if (chosen == nullptr) return std::nullopt;
  return static_cast<int>(menu.actions().indexOf(chosen));
}

}  // namespace lobbyfind::qt
