// The nickname service's three flows through the real window, against a
// scripted IRC server in the test that sends the service's German notices
// as the network does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTextEdit>
#include <algorithm>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "chat_room_support.h"

namespace lobbyfind::qt {
namespace {

using app::OnlineState;

// Registers any client, answers its JOIN with a names list that holds only
// the client, and records every line it receives.
class ScriptedServer {
 public:
  ScriptedServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      client_ = server_.nextPendingConnection();
      QObject::connect(client_, &QTcpSocket::readyRead, [this] { Read(); });
      QObject::connect(client_, &QTcpSocket::disconnected, [this] { disconnected_ = true; });
      Send("NOTICE * :*** Found your hostname");
    });
  }
  [[nodiscard]] std::uint16_t Port() const { return server_.serverPort(); }
  void Send(const std::string& line) {
    client_->write(QByteArray::fromStdString(line + "\r\n"));
    client_->flush();
  }
  void NickServ(const std::string& notice) { Send(":NickServ!service@services.test NOTICE tester :" + notice); }
  [[nodiscard]] bool Received(const std::string& line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }
  [[nodiscard]] bool Disconnected() const { return disconnected_; }

 private:
  void Read() {
    buffer_ += client_->readAll().toStdString();
    for (std::size_t end; (end = buffer_.find("\r\n")) != std::string::npos;) {
      const std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 2);
      lines_.push_back(line);
      if (line.starts_with("USER ")) {
        Send(":srv 001 tester :Welcome");
        Send(":srv 376 tester :End of MOTD command");
      } else if (line == "JOIN #lobbyfind") {
        Send(":tester!t@localhost JOIN :#lobbyfind");
        Send(":srv 353 tester = #lobbyfind :tester");
        Send(":srv 366 tester #lobbyfind :End of NAMES list");
      }
    }
  }

  QTcpServer server_;
  QTcpSocket* client_ = nullptr;
  std::string buffer_;
  std::vector<std::string> lines_;
  bool disconnected_ = false;
};

// Closes each message box the window opens and keeps its text.
class MessageBoxCloser {
 public:
  MessageBoxCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts.push_back(box->text().toStdString());
        box->accept();
      }
    });
    timer_.start(20);
  }
  std::vector<std::string> texts;

 private:
  QTimer timer_;
};

class NickServFlows : public ChatRoomWindow {
 protected:
  void LoginWithPassword(const QString& password) {
    StartWindow(server_.Port(), "tester");
    lobby_->window().Edit4->setText(password);
    QTest::mouseClick(lobby_->window().Button7, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lobby_->form().GetOnlineState() == OnlineState::osOnline; },
                                kWaitMs));
  }
  [[nodiscard]] bool GamesPageShown() const {
    const MainWindow& w = lobby_->window();
    return w.PageControl1->isTabVisible(w.PageControl1->indexOf(w.tab_Internetgames)) &&
           !w.PageControl1->isTabVisible(w.PageControl1->indexOf(w.tab_Start));
  }

  ScriptedServer server_;
  MessageBoxCloser closer_;
};

TEST_F(NickServFlows, PasswordIsSentAndAccepted) {
  LoginWithPassword("s3cret");
  server_.NickServ("einen anderen Nickname.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Received("PRIVMSG NickServ :IDENTIFY s3cret"); }, kWaitMs));
  EXPECT_EQ(lobby_->form().GetOnlineState(), OnlineState::osIdentify);
  server_.NickServ("Passwort akzeptiert - du bist jetzt angemeldet.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return lobby_->form().GetOnlineState() == OnlineState::osOnline; },
                              kWaitMs));
  EXPECT_TRUE(GamesPageShown());
  EXPECT_EQ(LastChatLine(), "Successfully transfered your logins!");
  EXPECT_TRUE(closer_.texts.empty());
}

TEST_F(NickServFlows, RegisteredNickWithoutPasswordReturnsToStart) {
  LoginWithPassword("");
  server_.NickServ("einen anderen Nickname.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Disconnected(); }, kWaitMs));
  EXPECT_EQ(closer_.texts,
            std::vector<std::string>{"You need to type in a password, because your Nick is registered!"});
  EXPECT_EQ(lobby_->form().GetOnlineState(), OnlineState::osIdentify);
  EXPECT_FALSE(GamesPageShown());
  EXPECT_EQ(lobby_->window().ListBox2->count(), 0);
}

TEST_F(NickServFlows, WrongPasswordReturnsToStart) {
  LoginWithPassword("wrong");
  server_.NickServ("Falsches Passwort.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Disconnected(); }, kWaitMs));
  ASSERT_EQ(closer_.texts.size(), 1U);
  EXPECT_EQ(closer_.texts[0].rfind("Your password was not corrrect!", 0), 0U);
  EXPECT_FALSE(GamesPageShown());
  EXPECT_EQ(lobby_->window().chatlog->toPlainText(), "");
}

}  // namespace
}  // namespace lobbyfind::qt
