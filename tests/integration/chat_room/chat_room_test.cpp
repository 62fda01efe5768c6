// The real main window logging in to a real ngircd under the offscreen
// platform: the page swap, the players list, and channel lines both ways
// between the window and a second client.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <fstream>
#include <memory>

#include "chat/irc_client.h"
#include "chat_room_support.h"
#include "ngircd_server.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_timer.h"

namespace lobbyfind::qt {
namespace {

using app::OnlineState;
using chat::testing::NgircdServer;

class ChatRoomAgainstNgircd : public ChatRoomWindow {};

TEST_F(ChatRoomAgainstNgircd, LoginChannelLinesBothWays) {
  NgircdServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  StartWindow(server.Port(), "tester");
  MainWindow& w = lobby_->window();

  QTest::mouseClick(w.Button7, Qt::LeftButton);
  EXPECT_EQ(lobby_->form().GetOnlineState(), OnlineState::osConnecting);
  ASSERT_TRUE(QTest::qWaitFor([&] { return lobby_->form().GetOnlineState() == OnlineState::osOnline; },
                              kWaitMs));
  EXPECT_TRUE(w.PageControl1->isTabVisible(w.PageControl1->indexOf(w.tab_Internetgames)));
  EXPECT_FALSE(w.PageControl1->isTabVisible(w.PageControl1->indexOf(w.tab_Start)));
  EXPECT_EQ(w.PageControl1->currentWidget(), w.tab_Internetgames);
  ASSERT_EQ(w.ListBox2->count(), 1);
  EXPECT_EQ(w.ListBox2->item(0)->text(), "tester");

  // A second client in the channel.
  chat::TIrcClient peer([] { return std::make_unique<QtTcpConnection>(); },
                        [] { return std::make_unique<QtTimer>(); });
  peer.SetNickname("peer");
  peer.SetRealName("peer");
  std::vector<std::string> heard;
  bool peer_joined = false;
  peer.MODTFinished = [&](const std::string&) { peer.JoinChannel("lobbyfind"); };
  peer.UserListReceived = [&](const std::string&, const std::string&, std::vector<std::string>&) {
    peer_joined = true;
  };
  peer.NewMessageInChannel = [&](const std::string&, const std::string& from, const std::string& channel,
                                 const std::string& text) { heard.push_back(from + "|" + channel + "|" + text); };
  peer.Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(QTest::qWaitFor([&] { return peer_joined; }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.ListBox2->count() == 2; }, kWaitMs));

  // The user clicks into the input (the placeholder goes), types, presses Enter.
  QTest::mouseClick(w.Edit3, Qt::LeftButton);
  EXPECT_EQ(w.Edit3->text(), "");
  QTest::keyClicks(w.Edit3, "an alle: 1 + 1 ");
  w.Edit3->insert(QString::fromUtf8("grüße"));  // as an input method puts it in
  QTest::keyClick(w.Edit3, Qt::Key_Return);
  EXPECT_EQ(w.Edit3->text(), "");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.empty(); }, kWaitMs));
  EXPECT_EQ(heard[0], "tester|lobbyfind|an alle: 1 + 1 gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(LastChatLine(), QString::fromUtf8("tester: an alle: 1 + 1 grüße"));

  // A line that does not name the user (one that does stands out).
  peer.SendChannelMessage("lobbyfind", "hello everyone");
  ASSERT_TRUE(QTest::qWaitFor([&] { return LastChatLine() == "peer : hello everyone"; }, kWaitMs));
  EXPECT_EQ(LastChatColour(), QColor(Qt::black));
}

}  // namespace
}  // namespace lobbyfind::qt
