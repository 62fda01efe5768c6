// The game list at a glance in the real window: the filter box and the sort
// check box as a user works them, the favourites' context menu, the lines'
// colours, and a double-click on a filtered, sorted list joining the server
// of the line clicked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "app/config_keys.h"
#include "app/game_line_look.h"
#include "config/config_file.h"
#include "game/connection_address.h"
#include "game/game_settings.h"
#include "game/memory_registry.h"
#include "qt/lobby_app.h"

namespace lobbyfind::qt {
namespace {

constexpr int kWaitMs = 10000;

class GameListWindowTest : public ::testing::Test {
 protected:
  GameListWindowTest() {
    dir_ =
        std::filesystem::temp_directory_path() / ("lobbyfind_glw_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_ / "GTA2");
    config_ = (dir_ / "lobbyfind.ini").string();
    // The game's folder holds the game, so the settings load asks for none.
    std::ofstream(dir_ / "GTA2" / "gta2.exe") << "stand-in";
    // A join launches the game through the launcher: here a program that
    // does nothing, so that only the written address is looked at.
    std::ofstream(config_, std::ios::binary) << app::kKeyLauncher << "\r\ntrue\r\n"
                                             << app::kKeyGtaDir << "\r\n"
                                             << (dir_ / "GTA2").string() << "\r\n";
    LobbyApp::Options options;
    options.config_file_name = config_;
    options.random_seed = 0;
    options.registry = &registry_;
    lobby_ = std::make_unique<LobbyApp>(options);
    lobby_->window().show();
  }
  ~GameListWindowTest() override {
    lobby_.reset();
    std::filesystem::remove_all(dir_);
  }

  [[nodiscard]] QListWidget& List() { return *lobby_->window().ListBox1; }
  [[nodiscard]] QStringList Lines() {
    QStringList lines;
    for (int i = 0; i < List().count(); ++i) lines << List().item(i)->text();
    return lines;
  }
  // Where the display would deliver a click on `line`, in the window.
  [[nodiscard]] QPoint PointOf(int line) {
    const QRect rect = List().visualItemRect(List().item(line));
    return List().viewport()->mapTo(&lobby_->window(), rect.center());
  }
  [[nodiscard]] std::vector<std::uint8_t> JoinAddress() {
    game::RegistryValue value;
    const auto key = registry_.Open(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath, false);
    if (!key || key->Query("TCPIPAddrStringd", value) != game::QueryStatus::kFound) return {};
    return value.data;
  }
  [[nodiscard]] std::string Stored(std::string_view key) const {
    std::string value;
    (void)config::cConfigFile(config_).ReadString(key, value);
    return value;
  }

  game::MemoryRegistry registry_;
  std::filesystem::path dir_;
  std::string config_;
  std::unique_ptr<LobbyApp> lobby_;
};

TEST_F(GameListWindowTest, FilteredSortedListWithAFavouriteJoinsTheServerOfTheLineDoubleClicked) {
  MainWindow& w = lobby_->window();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  // Wait for the settings load, which reads the stored options.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return w.currentgtadirectory->text() != "currentgtadirectory"; }, kWaitMs));
  w.PageControl1->setCurrentWidget(w.tab_Internetgames);
  directory::tServerLists lists;
  lists.ServerNames = {"Bob", "Eve", "Ivan", "Ann"};
  lists.Maps = {"Downtown", "Industrial", "Industrial Zone", "Residential"};
  lists.IPs = {"127.77.0.1", "127.77.0.2", "127.77.0.3", "127.77.0.4"};
  lobby_->form().HandleServerList(lists);
  ASSERT_EQ(Lines().size(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(List().item(i)->foreground().color(), QColor(0, 64, 160)) << "waiting";
  }

  QTest::keyClicks(w.gamefilter, "INDUS");
  EXPECT_EQ(Lines(), (QStringList{"[*]Eve:Industrial", "[*]Ivan:Industrial Zone"}));
  QTest::mouseClick(w.sortgamesbytime, Qt::LeftButton);
  ASSERT_TRUE(w.sortgamesbytime->isChecked());
  EXPECT_EQ(Stored(app::kKeySortByTime), "1");

  // Ivan answers: an answered game goes before the ones still awaited.
  lobby_->form().presence().game_list().AnswerArrived("127.77.0.3");
  ASSERT_EQ(Lines().size(), 2);
  EXPECT_TRUE(Lines()[0].endsWith("Ivan:Industrial Zone") && !Lines()[0].startsWith("[*]"))
      << Lines()[0].toStdString();
  EXPECT_EQ(Lines()[1], "[*]Eve:Industrial");
  const app::ItemStyle answered = lobby_->view().ItemStyleAt(app::Control::ListBox1, 0);
  ASSERT_TRUE(answered.colour);
  EXPECT_EQ(List().item(0)->foreground().color(),
            QColor(answered.colour->r, answered.colour->g, answered.colour->b));
  EXPECT_NE(*answered.colour, app::kWaitingColour);

  // The context menu on Eve's line marks Eve as a favourite: first, bold.
  bool menu_shown = false;
  QTimer::singleShot(0, [&menu_shown] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      menu_shown = true;
      EXPECT_EQ(menu->actions().size(), 1);
      // Chosen as a user does: highlighted, then Enter.
      menu->setActiveAction(menu->actions().front());
      QTest::keyClick(menu, Qt::Key_Return);
    }
  });
  const QPoint eve = List().visualItemRect(List().item(1)).center();
  QContextMenuEvent right_click(QContextMenuEvent::Mouse, eve, List().viewport()->mapToGlobal(eve));
  QApplication::sendEvent(List().viewport(), &right_click);
  EXPECT_TRUE(menu_shown);
  EXPECT_EQ(Lines().value(0), "[*]Eve:Industrial");
  EXPECT_TRUE(List().item(0)->font().bold());
  EXPECT_FALSE(List().item(1)->font().bold());
  EXPECT_EQ(Stored(app::kKeyFavourites), "Eve");

  // A double-click on the second line joins Ivan, not the list's second server.
  QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, PointOf(1));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !JoinAddress().empty(); }, kWaitMs)) << "no join";
  EXPECT_EQ(JoinAddress(), game::WideAddress("127.77.0.3"));
}

}  // namespace
}  // namespace lobbyfind::qt
