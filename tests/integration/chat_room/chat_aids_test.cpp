// The friendlier chat in the real window against a real ngircd: lines naming
// the user highlighted, notifications to a stand-in for the desktop's
// notification service while the window is in the background, Tab
// completion, recall of sent lines, and a web address opened by a click.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>
#include <memory>

#include "app/shared_types.h"
#include "chat/irc_client.h"
#include "chat_room_support.h"
#include "ngircd_server.h"
#include "notification_standin.h"
#include "peer_unavailable.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_timer.h"

namespace lobbyfind::qt {
namespace {

using app::OnlineState;
using chat::testing::NgircdServer;

// Takes the place of the browser: web addresses the program opens land here.
class BrowserStandIn final : public QObject {
  Q_OBJECT

 public:
  BrowserStandIn() {
    for (const char* scheme : {"http", "https"}) QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~BrowserStandIn() override {
    for (const char* scheme : {"http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

class ChatAidsInTheWindow : public ChatRoomWindow {
 protected:
  // A picture of the window as it stands, left in the build tree for the
  // README.
  void SaveShot(const char* name) {
    QDir().mkpath(LOBBYFIND_SCREENSHOT_DIR);
    EXPECT_TRUE(lobby_->window().grab().save(QString(LOBBYFIND_SCREENSHOT_DIR "/") + name + ".png")) << name;
  }
  // Puts another window in front of the lobby's, or the lobby's in front.
  void Background(bool away) {
    if (away) {
      other_.show();
      other_.activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&other_));
    } else {
      lobby_->window().activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(&lobby_->window()));
    }
  }
  QWidget other_;
};

TEST_F(ChatAidsInTheWindow, HighlightNotifyCompleteRecallAndOpen) {
  NgircdServer server;
  if (!server.Start()) PEER_UNAVAILABLE() << server.Error();
  testing::NotificationStandIn desktop;
  if (!desktop.Start()) PEER_UNAVAILABLE() << desktop.Error();
  StartWindow(server.Port(), "tester", [&](LobbyApp::Options& options) {
    options.notifications = true;
    options.notification_bus = desktop.Address();
  });
  MainWindow& w = lobby_->window();
  for (QCheckBox* box : {w.notifynewgames, w.notifywhispers, w.notifymynick}) EXPECT_TRUE(box->isChecked());

  QTest::mouseClick(w.Button7, Qt::LeftButton);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return lobby_->form().GetOnlineState() == OnlineState::osOnline; }, kWaitMs));
  chat::TIrcClient peer([] { return std::make_unique<QtTcpConnection>(); },
                        [] { return std::make_unique<QtTimer>(); });
  peer.SetNickname("peer");
  peer.SetRealName("peer");
  bool peer_joined = false;
  peer.MODTFinished = [&](const std::string&) { peer.JoinChannel("lobbyfind"); };
  peer.UserListReceived = [&](const std::string&, const std::string&, std::vector<std::string>&) {
    peer_joined = true;
  };
  peer.Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(QTest::qWaitFor([&] { return peer_joined && w.ListBox2->count() == 2; }, kWaitMs));

  // In front: lines come, nothing is told.
  Background(false);
  peer.SendPrivateMessage("tester", "while you look");
  ASSERT_TRUE(QTest::qWaitFor([&] { return LastChatLine() == "peer whispers : while you look"; }, kWaitMs));

  // Behind another window: a whisper and a line naming the user are told.
  Background(true);
  peer.SendPrivateMessage("tester", "psst");
  peer.SendChannelMessage("lobbyfind", "Tester: <b>maps</b> at www.gta2.example/maps.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.Calls().size() >= 2; }, kWaitMs));
  ASSERT_EQ(desktop.Calls().size(), 2U);
  EXPECT_EQ(desktop.Calls()[0].app_name, "lobbyfind");
  EXPECT_EQ(desktop.Calls()[0].summary, "peer whispers");
  EXPECT_EQ(desktop.Calls()[0].body, "psst");
  EXPECT_EQ(desktop.Calls()[1].summary, "peer in #lobbyfind");
  EXPECT_EQ(desktop.Calls()[1].body, "Tester: &lt;b&gt;maps&lt;/b&gt; at www.gta2.example/maps.");

  // The line stands out, its text as sent.
  const QString line = "peer : Tester: <b>maps</b> at www.gta2.example/maps.";
  ASSERT_TRUE(QTest::qWaitFor([&] { return LastChatLine() == line; }, kWaitMs));
  const app::Rgb highlight = app::kHighlightColour;
  EXPECT_EQ(LastChatColour(), QColor(highlight.r, highlight.g, highlight.b));

  // A click on the address opens it; a click on the rest of the line does not.
  BrowserStandIn browser;
  const QTextBlock block = w.chatlog->document()->lastBlock();
  const auto click_at = [&](int column) {
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + column);
    const QRect place = w.chatlog->cursorRect(cursor);
    QTest::mouseClick(w.chatlog->viewport(), Qt::LeftButton, {}, place.center() + QPoint(3, 0));
  };
  click_at(static_cast<int>(line.indexOf("gta2")));
  click_at(static_cast<int>(line.indexOf("maps</b>")));
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened[0], QUrl("http://www.gta2.example/maps"));

  // Tab completes the player's name and keeps the focus; Up recalls.
  w.Edit3->setFocus();
  w.Edit3->clear();
  QTest::keyClicks(w.Edit3, "PE");
  QTest::keyClick(w.Edit3, Qt::Key_Tab);
  EXPECT_EQ(w.Edit3->text(), "peer: ");
  SaveShot("chat-aids");
  w.PageControl1->setCurrentWidget(w.tab_Options);
  SaveShot("notification-options");
  w.PageControl1->setCurrentWidget(w.tab_Internetgames);
  QTest::keyClicks(w.Edit3, "ready?");
  QTest::keyClick(w.Edit3, Qt::Key_Return);
  EXPECT_EQ(w.Edit3->text(), "");
  EXPECT_EQ(LastChatLine(), "tester: peer: ready?");
  QTest::keyClick(w.Edit3, Qt::Key_Up);
  EXPECT_EQ(w.Edit3->text(), "peer: ready?");
  QTest::keyClick(w.Edit3, Qt::Key_Down);
  EXPECT_EQ(w.Edit3->text(), "");
}

}  // namespace
}  // namespace lobbyfind::qt

#include "chat_aids_test.moc"
