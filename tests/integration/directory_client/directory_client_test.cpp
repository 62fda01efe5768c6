// The directory client over real loopback sockets, against small HTTP servers
// scripted in the test: what goes over the wire, and how each kind of answer
// (or none) reaches the owner of the client.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "directory/http_exchange.h"
#include "directory/webinterface.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_timer.h"
#include "support/expected_news_request.h"

namespace lobbyfind::directory {
namespace {

// Listens on 127.0.0.1 at a free port. Once a whole request head has arrived
// on a connection, `answer` decides what to do with that socket.
class ScriptedHttpServer {
 public:
  using Answer = std::function<void(QTcpSocket* socket)>;

  explicit ScriptedHttpServer(Answer answer) : answer_(std::move(answer)) {
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, buffer] {
          buffer->append(socket->readAll());
          if (buffer->contains("\r\n\r\n") && !buffer->isEmpty()) {
            requests.push_back(buffer->toStdString());
            buffer->clear();
            answer_(socket);
          }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
  }

  bool Relisten(quint16 port) { return server_.listen(QHostAddress::LocalHost, port); }
  void Close() { server_.close(); }
  [[nodiscard]] quint16 Port() const { return server_.serverPort(); }
  [[nodiscard]] std::string Host() const { return "127.0.0.1:" + std::to_string(Port()); }

  std::vector<std::string> requests;

 private:
  QTcpServer server_;
  Answer answer_;
};

// Writes the reply and closes, as an HTTP/1.0 server does.
ScriptedHttpServer::Answer Replies(std::string reply) {
  return [reply](QTcpSocket* socket) {
    socket->write(reply.data(), static_cast<qint64>(reply.size()));
    socket->disconnectFromHost();
  };
}

struct Client {
  explicit Client(const std::string& host, std::uint32_t timeout_ms = 15000)
      : http(qt::MakeQtTcpConnectionFactory(), [] { return std::make_unique<qt::QtTimer>(); },
             HttpExchange::Limits{timeout_ms, 4U * 1024U * 1024U}),
        web(http, host) {
    web.OnConnectFailed = [this] { events.push_back("connect-failed"); };
    web.OnServerList = [this](const tServerLists& lists) {
      events.push_back("servers:" + std::to_string(lists.ServerNames.size()));
    };
    web.OnVersionResult = [this](bool update, const std::string&) {
      events.push_back(update ? "version:update" : "version:current");
    };
    web.OnNewsItem = [this](const std::string& title, const std::string&, const std::string&,
                            const std::string&) { events.push_back("news:" + title); };
  }

  // Runs the event loop until nothing is queued or running any more.
  bool WaitIdle(int ms = 5000) {
    return QTest::qWaitFor([this] { return !web.Busy() && web.Queue().empty(); }, ms);
  }

  HttpExchange http;
  cWebinterface web;
  std::vector<std::string> events;
};

TEST(DirectoryClient, SendsExactlyTheSixRequestLines) {
  ScriptedHttpServer server(Replies("HTTP/1.0 200 OK\r\n\r\n<titel>NEWS</titel>"));
  Client client(server.Host());
  client.web.RequestNews();
  ASSERT_TRUE(client.WaitIdle());
  ASSERT_EQ(server.requests.size(), 1U);
  EXPECT_EQ(server.requests[0], testing::ExpectedNewsRequest("127.0.0.1"));
  EXPECT_TRUE(client.events.empty()) << "a news reply without entries raises nothing";
}

TEST(DirectoryClient, ReadsABodyWithoutContentLengthUpToTheClose) {
  std::string servers;
  for (int i = 0; i < 300; ++i) {
    servers += "<server><servername>Game " + std::to_string(i) +
               "</servername><lastupdate>12:00</lastupdate><ip>10.0.0." + std::to_string(i % 250) +
               "</ip><map>Downtown</map><port>2300</port><version>4</version></server>\r\n";
  }
  const std::string first = "HTTP/1.0 200 OK\r\nServer: scripted\r\n\r\n<titel>SERVERS</titel>\r\n";
  // The body comes in two parts with a pause between them; only the close ends it.
  ScriptedHttpServer server([&](QTcpSocket* socket) {
    socket->write(first.data(), static_cast<qint64>(first.size()));
    QTimer::singleShot(200, socket, [socket, &servers] {
      socket->write(servers.data(), static_cast<qint64>(servers.size()));
      socket->disconnectFromHost();
    });
  });
  Client client(server.Host());
  client.web.RequestServerList();
  ASSERT_TRUE(client.WaitIdle());
  EXPECT_EQ(client.events, std::vector<std::string>{"servers:300"});
  ASSERT_EQ(client.web.ServerLists().ServerNames.size(), 300U);
  EXPECT_EQ(client.web.ServerLists().ServerNames[299], "Game 299");
  EXPECT_EQ(client.web.ServerLists().IPs[251], "10.0.0.1");
}

TEST(DirectoryClient, NotFoundRaisesNothingAndTheNextRequestFollows) {
  ScriptedHttpServer server(Replies("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<titel>NEWS</titel>"));
  Client client(server.Host());
  client.web.RequestNews();
  client.web.CheckVersion(4);
  ASSERT_TRUE(client.WaitIdle());
  EXPECT_EQ(server.requests.size(), 2U);
  EXPECT_TRUE(client.events.empty());
}

TEST(DirectoryClient, ARefusedConnectionFailsOnceAndTheQueuedRequestIsStillSent) {
  ScriptedHttpServer server(Replies(
      "HTTP/1.0 200 OK\r\n\r\n<titel>VERSION</titel><aktualitaet>aktuell</aktualitaet>"));
  const quint16 port = server.Port();
  server.Close();  // nothing listens there now: the first request is refused
  Client client("127.0.0.1:" + std::to_string(port));
  client.web.OnConnectFailed = [&] {
    client.events.push_back("connect-failed");
    // Back in service before the queued request goes out.
    EXPECT_TRUE(server.Relisten(port));
  };
  client.web.RequestServerList();
  client.web.CheckVersion(4);
  ASSERT_TRUE(client.WaitIdle());
  EXPECT_EQ(client.events, (std::vector<std::string>{"connect-failed", "version:current"}));
  ASSERT_EQ(server.requests.size(), 1U);
  EXPECT_EQ(server.requests[0].rfind("GET /Vexnet/lobbyfind/webinterface.php?GIVEME=VERSION&MEINEVERSION=4 ", 0), 0U);
}

TEST(DirectoryClient, AServerThatNeverAnswersFailsAfterTheTimeOut) {
  ScriptedHttpServer server([](QTcpSocket*) {});
  Client client(server.Host(), 300);
  QElapsedTimer clock;
  clock.start();
  client.web.RequestServerList();
  ASSERT_TRUE(client.WaitIdle(5000));
  EXPECT_GE(clock.elapsed(), 250);
  EXPECT_EQ(client.events, std::vector<std::string>{"connect-failed"});
  EXPECT_EQ(server.requests.size(), 1U);
}

TEST(DirectoryClient, ARedirectionIsNeitherFollowedNorReported) {
  ScriptedHttpServer server(Replies(
      "HTTP/1.0 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/elsewhere\r\n\r\n<titel>NEWS</titel>"
      "<eintrag><title>x</title></eintrag>"));
  Client client(server.Host());
  client.web.RequestNews();
  // Idle means nothing queued and nothing under way: a followed redirection
  // would have been a second exchange before this.
  ASSERT_TRUE(client.WaitIdle());
  EXPECT_TRUE(client.events.empty());
  EXPECT_EQ(server.requests.size(), 1U);
}

TEST(DirectoryClient, AnUnknownHostNameFailsOnce) {
  Client client("no-such-host.invalid");
  client.web.RequestNews();
  ASSERT_TRUE(client.WaitIdle(10000));
  EXPECT_EQ(client.events, std::vector<std::string>{"connect-failed"});
}

}  // namespace
}  // namespace lobbyfind::directory
