// The real main window under the offscreen platform: every control with its
// caption, range and initial value, and the core's output as it really shows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QScreen>
#include <QTextEdit>
#include <filesystem>
#include <memory>
#include <random>

#include "app/site_links.h"
#include "app/window_layout.h"
#include "game/memory_registry.h"
#include "game/registry_procedures.h"
#include "qt/lobby_app.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::qt {
namespace {

using app::Control;
using app::LineKind;

// Run twice: with the window built whole before the core starts (as the
// tests build it), and as the program starts it, the first page shown first
// and the rest made after that frame.
class MainWindowTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lobbyfind_gui_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
    LobbyApp::Options options;
    options.config_file_name = (dir_ / "lobbyfind.ini").string();
    options.random_seed = 0;
    options.registry = &registry_;
    options.start_after_first_frame = GetParam();
    lobby_ = std::make_unique<LobbyApp>(options);
    if (options.start_after_first_frame) {
      ASSERT_FALSE(lobby_->Started());
      ASSERT_NE(lobby_->window().currentplayername, nullptr);
      const QList<bool> first_frame_tabs = VisibleTabs();
      lobby_->window().show();
      ASSERT_TRUE(QTest::qWaitFor([this] { return lobby_->Started(); }, 10000));
      // No tab comes or goes a moment after the window appeared.
      EXPECT_EQ(VisibleTabs(), first_frame_tabs);
    }
  }
  ~MainWindowTest() override {
    lobby_.reset();
    std::filesystem::remove_all(dir_);
  }

  [[nodiscard]] QList<bool> VisibleTabs() const {
    QList<bool> visible;
    const QTabWidget* pages = lobby_->window().PageControl1;
    for (int i = 0; i < pages->count(); ++i) visible.append(pages->isTabVisible(i));
    return visible;
  }
  template <typename T>
  T* Find(const char* name) {
    auto* widget = lobby_->window().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  [[nodiscard]] bool HasText(const QString& text) const {
    for (auto* label : lobby_->window().findChildren<QLabel*>()) {
      if (label->text() == text) return true;
    }
    for (auto* group : lobby_->window().findChildren<QGroupBox*>()) {
      if (group->title() == text) return true;
    }
    return false;
  }
  // The log shows its lines at the end of the event-loop turn they came in.
  [[nodiscard]] QStringList ChatLines() const {
    QCoreApplication::processEvents();
    return lobby_->window().chatlog->toPlainText().split('\n');
  }

  // The game's settings, should the window's settings load run meanwhile.
  game::MemoryRegistry registry_;
  std::filesystem::path dir_;
  std::unique_ptr<LobbyApp> lobby_;
};

TEST_P(MainWindowTest, WindowFrameAndBanner) {
  MainWindow& w = lobby_->window();
  EXPECT_EQ(w.windowTitle(), "lobbyfind");
  EXPECT_EQ(w.size(), QSize(692, 542));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(w.font().family(), "MS Sans Serif");
  EXPECT_EQ(w.font().pointSize(), 8);
  auto* banner = Find<QLabel>("banner");
  ASSERT_NE(banner, nullptr);
  EXPECT_EQ(banner->pixmap().size(), QSize(692, 89));  // decoded from the JPEG
}

TEST_P(MainWindowTest, PagesAndStatusBar) {
  auto* pages = Find<QTabWidget>("PageControl1");
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->count(), 3);
  const char* names[] = {"tab_Start", "tab_Internetgames", "tab_Options"};
  const char* captions[] = {"Start", "Internet games", "Options"};
  const bool visible[] = {true, false, true};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
    EXPECT_EQ(pages->tabText(i), captions[i]);
    EXPECT_EQ(pages->isTabVisible(i), visible[i]) << names[i];
  }
  EXPECT_EQ(pages->currentWidget()->objectName(), "tab_Start");
  EXPECT_NE(Find<QWidget>("StatusBar"), nullptr);
  auto* panel0 = Find<QLabel>("StatusPanel0");
  auto* panel1 = Find<QLabel>("StatusPanel1");
  EXPECT_EQ(panel0->text(), "Status :");
  EXPECT_EQ(panel1->text(), "100%");
  EXPECT_EQ(panel1->width(), 40);
  EXPECT_EQ(panel0->width(), 692 - 40);
  EXPECT_EQ(panel1->x(), 692 - 40);
}

// The real window against the layout table both editions are built from:
// every placement there, on its page, in its frame, at its place, with its
// caption, items and range.
TEST_P(MainWindowTest, EveryPlacementOfTheLayoutTableIsInTheRealWindow) {
  const auto text = [](std::string_view view) {
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
  };
  for (const app::Placement& p : app::WindowLayout()) {
    const QString what = text(p.name.empty() ? p.caption : p.name);
    auto* page = Find<QWidget>(p.page == Control::tab_Start           ? "tab_Start"
                               : p.page == Control::tab_Internetgames ? "tab_Internetgames"
                                                                      : "tab_Options");
    ASSERT_NE(page, nullptr);
    QWidget* widget = nullptr;
    if (!p.name.empty()) {
      widget = page->findChild<QWidget*>(text(p.name));
    } else {
      for (auto* label : page->findChildren<QLabel*>()) {
        if (label->text() == text(p.caption)) widget = label;
      }
      for (auto* group : page->findChildren<QGroupBox*>()) {
        if (group->title() == text(p.caption)) widget = group;
      }
    }
    ASSERT_NE(widget, nullptr) << what.toStdString();
    // Made on a page already hidden behind another, it still shows with it.
    EXPECT_TRUE(widget->isVisibleTo(page)) << what.toStdString();
    auto* frame = qobject_cast<QGroupBox*>(widget->parentWidget());
    EXPECT_EQ(frame != nullptr ? frame->title() : QString(), text(p.frame)) << what.toStdString();
    if (p.control != Control::newsbackgroundlabel) {  // placed around the news pane at creation
      EXPECT_EQ(widget->pos(), QPoint(p.place.left, p.place.top)) << what.toStdString();
    }
    const bool own_size = p.kind != app::ControlKind::CheckBox && p.kind != app::ControlKind::Label;
    if (own_size || (p.kind == app::ControlKind::Label && p.place.width > 0)) {
      EXPECT_EQ(widget->size(), QSize(p.place.width, p.place.height)) << what.toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(button->text(), text(p.caption));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(edit->text(), text(p.caption));
      EXPECT_EQ(edit->placeholderText(), text(p.cue));
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      ASSERT_EQ(static_cast<std::size_t>(combo->count()), p.items.size());
      for (std::size_t i = 0; i < p.items.size(); ++i) {
        EXPECT_EQ(combo->itemText(static_cast<int>(i)), text(p.items[i]));
      }
    }
    if (auto* slider = qobject_cast<QSlider*>(widget)) {
      EXPECT_EQ(slider->minimum(), p.min);
      EXPECT_EQ(slider->maximum(), p.max);
      EXPECT_EQ(slider->value(), p.initial);
    }
    if (p.font) {
      EXPECT_EQ(widget->font().family(), text(p.font->face)) << what.toStdString();
      EXPECT_EQ(widget->font().pointSize(), p.font->points) << what.toStdString();
      EXPECT_EQ(widget->font().bold(), p.font->bold) << what.toStdString();
    }
  }
  EXPECT_EQ(Find<QLabel>("playershint")->text(),
            "Press STRG, while\nyou click on nickname,\nto select more than 1\nuser at the same time.\n");
}

TEST_P(MainWindowTest, EditsListsAndTextViewsWithTheirSettings) {
  auto* name = Find<QLineEdit>("currentplayername");
  EXPECT_EQ(name->text(), "currentplayername");
  EXPECT_EQ(Find<QLineEdit>("Edit4")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Find<QLineEdit>("Edit3")->text(), "Type your Chatmessage here");
  auto* dir = Find<QLineEdit>("currentgtadirectory");
  EXPECT_EQ(dir->text(), "currentgtadirectory");
  EXPECT_TRUE(dir->isReadOnly());

  auto* players = Find<QListWidget>("ListBox2");
  EXPECT_EQ(players->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(players->isSortingEnabled());
  EXPECT_EQ(players->count(), 0);
  EXPECT_EQ(Find<QListWidget>("ListBox1")->selectionMode(), QAbstractItemView::SingleSelection);

  auto* chat = Find<QTextEdit>("chatlog");
  EXPECT_TRUE(chat->isReadOnly());
  EXPECT_EQ(chat->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(chat->palette().color(QPalette::Base), QColor(Qt::white));
  auto* news = Find<QTextEdit>("onlinenews");
  EXPECT_TRUE(news->isReadOnly());
  EXPECT_EQ(news->palette().color(QPalette::Base), QColor(23, 28, 57));
  EXPECT_EQ(news->palette().color(QPalette::Text), QColor(149, 149, 149));
  EXPECT_TRUE(news->font().bold());
  // The label behind the pane frames it by 5 pixels in the pane's colour.
  auto* frame = Find<QLabel>("newsbackgroundlabel");
  EXPECT_EQ(frame->geometry(), news->geometry().adjusted(-5, -5, 5, 5));
  EXPECT_EQ(frame->palette().color(QPalette::Window), QColor(23, 28, 57));
}

TEST_P(MainWindowTest, OptionControlsWithRangesAndInitialValues) {
  auto* mode = Find<QComboBox>("currentgamemode");
  ASSERT_EQ(mode->count(), 3);
  EXPECT_EQ(mode->itemText(0), "Fragspiel");
  EXPECT_EQ(mode->itemText(1), "Punktespiel");
  EXPECT_EQ(mode->itemText(2), "Reihenspiel");
  EXPECT_FALSE(mode->isEditable());
  auto* speed = Find<QSlider>("currentgamespeed");
  EXPECT_EQ(speed->orientation(), Qt::Horizontal);
  EXPECT_EQ(speed->minimum(), 0);
  EXPECT_EQ(speed->maximum(), 2);
  EXPECT_EQ(speed->value(), 1);
  EXPECT_EQ(speed->tickInterval(), 1);

  struct Spin {
    const char* name;
    int min, max;
    QString initial;
  };
  const Spin spins[] = {
      {"currentfraglimit", 0, 999999, "0"},
      {"currentscorelimit", 0, 999999, "0"},
      {"currentgametimelimit", 0, 60, "0"},
      {"serverlistrefreshtime", 5000, 60000, "5000"},
  };
  for (const auto& s : spins) {
    auto* box = Find<TextSpinBox>(s.name);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->minimum(), s.min) << s.name;
    EXPECT_EQ(box->maximum(), s.max) << s.name;
    EXPECT_EQ(box->shownText(), s.initial) << s.name;
  }

  const std::pair<const char*, const char*> checks[] = {
      {"currentpoliceenabled", "Police enabled"},
      {"currentshowplayernames", "Show player names"},
      {"timestampinchat", "Show timestamp in lobbyfind-chat"},
      {"keepselectionafterwhisper", "Keep selection after whispering"},
  };
  for (const auto& [name, caption] : checks) {
    auto* box = Find<QCheckBox>(name);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), caption);
    EXPECT_FALSE(box->isChecked()) << name;
  }
}

TEST_P(MainWindowTest, WelcomeTextInTheRealChatLog) {
  const QStringList expected = {
      "Welcome to lobbyfind Version 1.2",
      "For Updates and more stuff, visit " + QString::fromLatin1(app::kHomeHost.data()),
      "",
      "BE SURE, that your ports  2300-2400 TCP/UDP and 47624 TCP/UDP",
      "is open, without you can not play!",
      "",
      "Ingamechat works with F10",
      "",
      "Have Fun!",
  };
  EXPECT_EQ(ChatLines(), expected);
  const QTextBlock first = lobby_->window().chatlog->document()->firstBlock();
  EXPECT_EQ(first.begin().fragment().charFormat().foreground().color(), QColor(224, 115, 5));
}

TEST_P(MainWindowTest, MarkupFromTheNetworkShowsLiterally) {
  const std::string markup = "<b>bold</b> <a href='x'>link</a> &amp; <img src=x>";
  lobby_->form().AddChatLine(LineKind::lkChat, markup);
  lobby_->form().AddNewsItem("<h1>Title</h1>", "<i>content</i>", "<u>me</u>", "now");
  EXPECT_EQ(ChatLines().last(), QString::fromStdString(markup));
  const QTextBlock last = lobby_->window().chatlog->document()->lastBlock();
  EXPECT_EQ(last.begin().fragment().charFormat().fontWeight(), QFont::Normal);
  EXPECT_EQ(last.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 0));
  EXPECT_EQ(lobby_->window().onlinenews->toPlainText(),
            "<h1>Title</h1>\nBy <u>me</u>, now\n<i>content</i>\n");
}

TEST_P(MainWindowTest, RealChatLogKeeps201Lines) {
  for (int i = 0; i < 250; ++i) {
    lobby_->form().AddChatLine(LineKind::lkNotice, "line " + std::to_string(i));
  }
  const QStringList lines = ChatLines();
  ASSERT_EQ(lines.size(), 201);
  EXPECT_EQ(lines.first(), "line 49");
  EXPECT_EQ(lines.last(), "line 249");
  EXPECT_EQ(lobby_->window().chatlog->textCursor().position(),
            lobby_->window().chatlog->document()->characterCount() - 1);
  // Nothing else grows with the lines written: no undo history of them.
  EXPECT_EQ(lobby_->window().chatlog->document()->availableUndoSteps(), 0);
}

TEST_P(MainWindowTest, LongGameListArrivesWholeInTheRealListInOrder) {
  // Thousands of servers go into the widget in slices over several turns
  // of the event loop; the window keeps them in the directory's order and
  // loses none.
  constexpr int kServers = 3000;
  directory::tServerLists lists;
  for (int i = 0; i < kServers; ++i) {
    lists.ServerNames.push_back("S" + std::to_string(i));
    lists.Maps.push_back("m");
    lists.IPs.push_back("127.87." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));
  }
  lobby_->form().HandleServerList(lists);
  auto* list = Find<QListWidget>("ListBox1");
  EXPECT_LT(list->count(), kServers) << "the rest follows on later turns";
  ASSERT_TRUE(QTest::qWaitFor([&] { return lobby_->form().ShownGames().Filled(); }, 10000));
  ASSERT_EQ(list->count(), kServers);
  for (int i = 0; i < kServers; ++i) {
    ASSERT_EQ(list->item(i)->text().toStdString(), "[*]S" + std::to_string(i) + ":m") << i;
  }
  // The players list stays sorted as before.
  lobby_->view().SetItems(Control::ListBox2, {"zed", "Amy", "bob"});
  auto* players = Find<QListWidget>("ListBox2");
  ASSERT_EQ(players->count(), 3);
  EXPECT_EQ(players->item(0)->text(), "Amy");
  EXPECT_EQ(players->item(1)->text(), "bob");
  EXPECT_EQ(players->item(2)->text(), "zed");
}

TEST_P(MainWindowTest, CentredAtFirstShowWithThePasswordMaskedByStars) {
  MainWindow& w = lobby_->window();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const QPoint centre = w.screen()->availableGeometry().center();
  // Within the few pixels a window frame may add.
  EXPECT_LE((w.geometry().center() - centre).manhattanLength(), 8);
  w.Edit4->setText("secret");
  EXPECT_EQ(w.Edit4->displayText(), "******");
}

TEST_P(MainWindowTest, StatusLineShowsTextAndBar) {
  lobby_->form().SetStatus("Update Config", 50);
  EXPECT_EQ(lobby_->window().StatusPanel0->text(), "Update Config (50%)");
  EXPECT_EQ(lobby_->window().StatusPanel1->text(), "||||");
}

TEST_P(MainWindowTest, TypingIntoTheRefreshBoxReachesTheCoreAndLeavingClamps) {
  MainWindow& w = lobby_->window();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.PageControl1->setCurrentWidget(w.tab_Options);
  auto* box = w.serverlistrefreshtime;
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, "70000");
  EXPECT_EQ(box->shownText(), "70000");  // kept while the box has the focus
  EXPECT_EQ(lobby_->form().Timer2().Interval(), 60000U);
  w.currentgtadirectory->setFocus();
  box->clearFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(box->shownText(), "60000");
}

INSTANTIATE_TEST_SUITE_P(StartModes, MainWindowTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "AfterFirstFrame" : "AllAtOnce";
                         });

}  // namespace
}  // namespace lobbyfind::qt
