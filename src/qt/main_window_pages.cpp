// The three pages, built from the window's layout table (app/window_layout.h):
// one widget per placement, then what only this toolkit needs to be told.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>

#include "app/spin_box.h"
#include "app/window_layout.h"
#include "qt/main_window.h"
#include "qt/star_password_style.h"
#include "qt/text_bytes.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::qt {
namespace {

using app::ControlKind;

QFont FontOf(const app::FontStyle& style) {
  QFont font(ToScreen(style.face));
  font.setPointSize(style.points);
  font.setBold(style.bold);
  return font;
}

QLabel* PlaceLabel(QWidget* parent, const QString& text, int x, int y, int w, int h) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  if (w > 0 && h > 0) {
    label->setWordWrap(true);
    label->resize(w, h);
  } else {
    label->adjustSize();
  }
  return label;
}

void PlaceAt(QWidget& widget, const app::Rect& r) { widget.setGeometry(r.left, r.top, r.width, r.height); }

QLineEdit* MakeEdit(const app::Placement& p, QWidget* parent) {
  auto* edit = new QLineEdit(ToScreen(p.caption), parent);
  PlaceAt(*edit, p.place);
  if (p.kind == ControlKind::ReadOnlyEdit) edit->setReadOnly(true);
  if (!p.cue.empty()) edit->setPlaceholderText(ToScreen(p.cue));
  if (p.kind == ControlKind::PasswordEdit) {
    edit->setEchoMode(QLineEdit::Password);
    // Typed characters show as "*", whatever the style's own mask is.
    UseStarPasswordMask(*edit);
  }
  return edit;
}

QTextEdit* MakeRichText(const app::Placement& p, QWidget* parent) {
  auto* text = new QTextEdit(parent);
  PlaceAt(*text, p.place);
  text->setReadOnly(true);
  text->setAcceptRichText(false);
  // Lines are only ever added (and trimmed) by the program: an undo history
  // would keep every line ever shown.
  text->setUndoRedoEnabled(false);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  if (p.font) text->setFont(FontOf(*p.font));
  return text;
}

QWidget* Make(const app::Placement& p, QWidget* parent) {
  switch (p.kind) {
    case ControlKind::Frame: {
      auto* frame = new QGroupBox(ToScreen(p.caption), parent);
      PlaceAt(*frame, p.place);
      return frame;
    }
    case ControlKind::Label: return PlaceLabel(parent, ToScreen(p.caption), p.place.left, p.place.top,
                                               p.place.width > 0 ? p.place.width : -1,
                                               p.place.width > 0 ? p.place.height : -1);
    case ControlKind::Button: {
      auto* button = new QPushButton(ToScreen(p.caption), parent);
      PlaceAt(*button, p.place);
      return button;
    }
    case ControlKind::Edit:
    case ControlKind::PasswordEdit:
    case ControlKind::ReadOnlyEdit: return MakeEdit(p, parent);
    case ControlKind::CheckBox: {
      // As wide as its caption: the toolkit's own box and spacing.
      auto* box = new QCheckBox(ToScreen(p.caption), parent);
      box->move(p.place.left, p.place.top);
      box->adjustSize();
      return box;
    }
    case ControlKind::SpinBox: {
      const app::SpinRange range = *app::SpinBoxRange(*p.control);
      auto* box = new TextSpinBox(range.min, range.max, range.initial, parent);
      PlaceAt(*box, p.place);
      return box;
    }
    case ControlKind::TrackBar: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      slider->setRange(p.min, p.max);
      slider->setValue(p.initial);
      slider->setTickPosition(QSlider::TicksBelow);
      slider->setTickInterval(1);
      slider->setPageStep(1);
      PlaceAt(*slider, p.place);
      return slider;
    }
    case ControlKind::DropDown: {
      auto* combo = new QComboBox(parent);
      for (const std::string_view item : p.items) combo->addItem(ToScreen(item));
      combo->setCurrentIndex(-1);
      PlaceAt(*combo, p.place);
      return combo;
    }
    case ControlKind::List:
    case ControlKind::SortedList: {
      auto* list = new QListWidget(parent);
      PlaceAt(*list, p.place);
      const bool sorted = p.kind == ControlKind::SortedList;
      list->setSelectionMode(sorted ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
      list->setSortingEnabled(sorted);
      return list;
    }
    case ControlKind::RichText: return MakeRichText(p, parent);
  }
  return nullptr;
}

}  // namespace

QWidget* MainWindow::AddPage(const char* name, const QString& caption) {
  auto* widget = new QWidget;
  widget->setObjectName(name);
  PageControl1->addTab(widget, caption);
  return widget;
}

void MainWindow::BuildPage(app::Control page, QWidget* widget) {
  // A page filled after the window is shown is hidden behind the first,
  // so what is made on it shows with the page, as when made before.
  QMap<QString, QWidget*> frames;
  for (const app::Placement& p : app::WindowLayout()) {
    if (p.page != page) continue;
    QWidget* parent = p.frame.empty() ? widget : frames.value(ToScreen(p.frame), widget);
    QWidget* made = Make(p, parent);
    if (p.kind == ControlKind::Frame) frames.insert(ToScreen(p.caption), made);
    if (!p.name.empty()) made->setObjectName(ToScreen(p.name));
  }
}

void MainWindow::BuildStartPage() {
  BuildPage(app::Control::tab_Start, tab_Start);
  onlinenews = tab_Start->findChild<QTextEdit*>("onlinenews");
  newsbackgroundlabel = tab_Start->findChild<QLabel*>("newsbackgroundlabel");
  NewsButton = tab_Start->findChild<QPushButton*>("NewsButton");
  currentplayername = tab_Start->findChild<QLineEdit*>("currentplayername");
  Edit4 = tab_Start->findChild<QLineEdit*>("Edit4");
  Button7 = tab_Start->findChild<QPushButton*>("Button7");
  FaqButton = tab_Start->findChild<QPushButton*>("FaqButton");
  WwwButton = tab_Start->findChild<QPushButton*>("WwwButton");
  SecondSiteButton = tab_Start->findChild<QPushButton*>("SecondSiteButton");

  // The news pane: light text on dark blue, framed by the label behind it.
  onlinenews->setFrameStyle(QFrame::NoFrame);
  QPalette palette = onlinenews->palette();
  palette.setColor(QPalette::Base, QColor(23, 28, 57));
  palette.setColor(QPalette::Text, QColor(149, 149, 149));
  onlinenews->setPalette(palette);
  newsbackgroundlabel->setAutoFillBackground(true);
  newsbackgroundlabel->lower();
}

void MainWindow::BuildInternetGamesPage() {
  BuildPage(app::Control::tab_Internetgames, tab_Internetgames);
  chatlog = tab_Internetgames->findChild<QTextEdit*>("chatlog");
  ListBox2 = tab_Internetgames->findChild<QListWidget*>("ListBox2");
  playershint = tab_Internetgames->findChild<QLabel*>("playershint");
  Edit3 = tab_Internetgames->findChild<QLineEdit*>("Edit3");
  ListBox1 = tab_Internetgames->findChild<QListWidget*>("ListBox1");
  Button1 = tab_Internetgames->findChild<QPushButton*>("Button1");
  Button4 = tab_Internetgames->findChild<QPushButton*>("Button4");
  gamefilter = tab_Internetgames->findChild<QLineEdit*>("gamefilter");
  sortgamesbytime = tab_Internetgames->findChild<QCheckBox*>("sortgamesbytime");

  QPalette palette = chatlog->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  chatlog->setPalette(palette);
  playershint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A list of thousands of servers is laid out a hundred lines per turn of
  // the event loop, so the window never waits for the whole list.
  ListBox1->setLayoutMode(QListView::Batched);
  // Every line is one line of text of one height (bold or not): the size of the first
  // stands for all, so ten thousand lines are not each shaped to be measured.
  ListBox1->setUniformItemSizes(true);
  // Marking a favourite: the core offers the menu for the line under the pointer.
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void MainWindow::BuildOptionsPage() {
  BuildPage(app::Control::tab_Options, tab_Options);
  currentgamemode = tab_Options->findChild<QComboBox*>("currentgamemode");
  currentgamespeed = tab_Options->findChild<QSlider*>("currentgamespeed");
  currentfraglimit = tab_Options->findChild<TextSpinBox*>("currentfraglimit");
  currentscorelimit = tab_Options->findChild<TextSpinBox*>("currentscorelimit");
  currentgametimelimit = tab_Options->findChild<TextSpinBox*>("currentgametimelimit");
  currentpoliceenabled = tab_Options->findChild<QCheckBox*>("currentpoliceenabled");
  currentgtadirectory = tab_Options->findChild<QLineEdit*>("currentgtadirectory");
  Button6 = tab_Options->findChild<QPushButton*>("Button6");
  currentshowplayernames = tab_Options->findChild<QCheckBox*>("currentshowplayernames");
  timestampinchat = tab_Options->findChild<QCheckBox*>("timestampinchat");
  keepselectionafterwhisper = tab_Options->findChild<QCheckBox*>("keepselectionafterwhisper");
  serverlistrefreshtime = tab_Options->findChild<TextSpinBox*>("serverlistrefreshtime");
  upnp = tab_Options->findChild<QCheckBox*>("upnp");
  CheckPortsButton = tab_Options->findChild<QPushButton*>("CheckPortsButton");
  currentgtadirectory->installEventFilter(this);
  notifynewgames = tab_Options->findChild<QCheckBox*>("notifynewgames");
  notifywhispers = tab_Options->findChild<QCheckBox*>("notifywhispers");
  notifymynick = tab_Options->findChild<QCheckBox*>("notifymynick");
}

}  // namespace lobbyfind::qt
