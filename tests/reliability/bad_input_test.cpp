// Hostile and odd input on every surface a stranger or the user can write
// to: chat lines, news, server names and maps, the nickname, the game
// folder. Shown literally, one entry one line, the window unbroken, and
// nothing a user types reaches the chat server as a second command.
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/config_keys.h"
#include "game/game_settings.h"
#include "game/map_catalogue.h"
#include "qt/text_bytes.h"
#include "reliability_support.h"

namespace lobbyfind::reliability {
namespace {

const std::string kLong(10000, 'W');
const std::string kMarkup = "<b>bold</b> <a href='x'>link</a> &amp; <img src=x> <script>alert(1)</script>";
const std::string kControls = std::string("\x01" "ACTION waves\x01 \x02" "bold\x0f \x1b[31mred\x07 tab\there\x7f");
const std::string kFakeLine = "hi\nadmin : send me your password";
// A bare CR inside a chat text: the rich-text log of a window would start a
// new paragraph for it.
const std::string kFakeCrLine = "hi\radmin : send me your password";

// The geometry of the window and of the widgets that show network text.
std::vector<QRect> Geometry(qt::MainWindow& w) {
  return {w.geometry(), w.chatlog->geometry(), w.ListBox1->geometry(), w.ListBox2->geometry(),
          w.onlinenews->geometry()};
}

class BadInput : public LobbyTest {};

TEST_F(BadInput, ChatLinesFromStrangersAreShownLiterallyOneLineEachWithoutBreakingTheWindow) {
  struct Sent {
    std::string from;
    std::string text;
  };
  const std::vector<Sent> sent = {
      {"mallory", kMarkup}, {"mallory", kControls}, {"mallory", kFakeLine},
      {"mallory", kFakeCrLine}, {kLong, kLong}, {"m<i>", "\x1b]0;x\x07"},
  };
  ScriptedServer irc([&](int socket, ScriptedServer& server) {
    std::string pending;
    if (!ServeIrcLogin(socket, server, pending, "mallory")) return;
    server.SendAll(socket, ":" + kLong + "!u@h JOIN :#lobbyfind\r\n");
    for (const Sent& s : sent) server.SendAll(socket, ":" + s.from + "!u@h PRIVMSG #lobbyfind :" + s.text + "\r\n");
    server.SendAll(socket, ":mallory!u@h PRIVMSG tester :" + kMarkup + "\r\n:srv NOTICE tester :end\r\n");
    while (!server.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  Setup setup;
  setup.irc_port = irc.Port();
  StartLobby(setup);
  qt::MainWindow& w = lobby().window();
  LoginAndWait();
  const std::vector<QRect> before = Geometry(w);
  const int lines_before = static_cast<int>(ChatLines().size());
  const QString whisper = qt::ToScreenLine("mallory whispers : " + kMarkup);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ChatLines().last() == whisper; }, kWaitMs));

  QStringList expected = {qt::ToScreenLine(kLong + " joined.")};
  for (const Sent& s : sent) expected.push_back(qt::ToScreenLine(s.from + " : " + s.text));
  expected.push_back(whisper);
  const QStringList lines = ChatLines().mid(lines_before);
  ASSERT_EQ(lines.size(), expected.size()) << "one line per message";
  int literal = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    // A line break inside a message ends what the chat decoder takes of it;
    // whatever it keeps is shown, and no forged line follows.
    const bool ok = i == 3 ? expected[i].startsWith(lines[i]) && lines[i].startsWith("mallory : hi") : lines[i] == expected[i];
    EXPECT_TRUE(ok) << "line " << i << ": " << lines[i].left(80).toStdString();
    if (ok) ++literal;
  }
  // Controls are shown as their visible stand-ins, nothing is dropped.
  EXPECT_TRUE(lines.value(2).contains(QChar(0x2401)));
  EXPECT_FALSE(ChatLines().contains("admin : send me your password"));
  EXPECT_EQ(w.chatlog->document()->blockCount(), ChatLines().size());
  QStringList players;
  for (int i = 0; i < w.ListBox2->count(); ++i) players.push_back(w.ListBox2->item(i)->text());
  EXPECT_TRUE(players.contains(QString::fromStdString(kLong))) << "the long name is kept whole";
  // The window keeps its shape: long lines wrap, nothing grows.
  EXPECT_EQ(Geometry(w), before);
  EXPECT_EQ(w.chatlog->horizontalScrollBar()->maximum(), 0) << "chat lines wrap instead of scrolling sideways";
  EXPECT_FALSE(w.grab().isNull());
  AddSummaryRow({"chat lines from strangers", "-", "-",
                 std::to_string(sent.size() + 2) + " lines (markup, controls, LF, 10000-char name and text)",
                 std::to_string(lines.size()) + " log lines for " + std::to_string(expected.size()) +
                     " messages, " + std::to_string(literal) + " literal; window shape kept"});
}

TEST_F(BadInput, NewsServerNamesAndMapsFromTheDirectoryAreShownLiterally) {
  // The directory's reply format has no escapes: a '<' would start an
  // element, so the hostile texts use what the format can carry.
  const std::string title = "News > &amp; \"quoted\" 'x' [b]bold[/b]";
  const std::string content = kLong + "\r\nsecond line";
  const std::string author = kControls;
  const std::string time = "\x1b[2J";
  struct Server {
    std::string name;
    std::string map;
  };
  const std::vector<Server> servers = {
      {"Evil>\"&amp;'", "Map>&lt;b&gt;"}, {kLong, kLong}, {"ctrl\x01\x1b[31m\x7f", "tab\tmap"}};
  std::string listing = "<titel>SERVERS</titel>";
  for (std::size_t i = 0; i < servers.size(); ++i) {
    listing += "<server><servername>" + servers[i].name + "</servername><lastupdate>1</lastupdate><ip>127.0.0." +
               std::to_string(20 + i) + "</ip><map>" + servers[i].map + "</map><port>2300</port><version>4</version></server>";
  }
  const std::string news = "<titel>NEWS</titel><eintrag><title>" + title + "</title><content>" + content +
                           "</content><autor>" + author + "</autor><zeitpunkt>" + time + "</zeitpunkt></eintrag>";
  ScriptedServer directory([&](int socket, ScriptedServer& server) {
    std::string pending;
    std::string request;
    while (const auto line = server.ReadLine(socket, pending)) {
      if (line->empty()) break;
      if (request.empty()) request = *line;
    }
    if (request.find("GIVEME=NEWS") != std::string::npos) {
      server.SendAll(socket, HttpReply(news));
    } else if (request.find("GIVEME=SERVERS") != std::string::npos) {
      server.SendAll(socket, HttpReply(listing));
    } else {
      server.SendAll(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
    }
  });
  Setup setup;
  setup.directory_host = "127.0.0.1:" + std::to_string(directory.Port());
  StartLobby(setup);
  qt::MainWindow& w = lobby().window();
  const std::vector<QRect> before = Geometry(w);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.onlinenews->toPlainText().contains("second line"); }, kWaitMs));
  const QString shown_news = w.onlinenews->toPlainText();
  EXPECT_TRUE(shown_news.contains(qt::ToScreen(title)));
  EXPECT_TRUE(shown_news.contains(qt::ToScreen(kLong)));
  EXPECT_TRUE(shown_news.contains(qt::ToScreen("By " + author + ", " + time)));

  form().SetOnlineState(app::OnlineState::osOnline);
  form().Button2Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.ListBox1->count() == static_cast<int>(servers.size()); }, kWaitMs));
  int literal = 0;
  for (std::size_t i = 0; i < servers.size(); ++i) {
    const QString line = w.ListBox1->item(static_cast<int>(i))->text();
    const bool ok = line.endsWith(qt::ToScreen(servers[i].name + ":" + servers[i].map));
    EXPECT_TRUE(ok) << line.left(80).toStdString();
    if (ok) ++literal;
  }
  EXPECT_EQ(Geometry(w), before);
  EXPECT_FALSE(w.grab().isNull());
  AddSummaryRow({"directory texts", "-", "-",
                 "1 news item (markup, controls, 10000 chars), " + std::to_string(servers.size()) + " servers",
                 std::to_string(literal) + " of " + std::to_string(servers.size()) +
                     " list lines literal, news literal; window shape kept"});
}

TEST_F(BadInput, ALineBreakTypedIntoANicknameOrTheChatNeverReachesTheServerAsASecondLine) {
  std::atomic<bool> in_use_sent{false};
  ScriptedServer irc([&](int socket, ScriptedServer& server) {
    std::string pending;
    if (!ServeIrcLogin(socket, server, pending, "bob")) return;
    // The name the user picks next is taken.
    server.SendAll(socket, ":srv 433 * taken :Nickname is already in use.\r\n");
    in_use_sent = true;
    while (server.ReadLine(socket, pending, 60000)) {
    }
  });
  Setup setup;
  setup.irc_port = irc.Port();
  StartLobby(setup);
  qt::MainWindow& w = lobby().window();
  // Pasted into the player name field: a name with a command behind it.
  QApplication::clipboard()->setText("eve\r\nQUIT :pasted");
  w.currentplayername->setFocus();
  w.currentplayername->selectAll();
  w.currentplayername->paste();
  form().ControlChanged(app::Control::currentplayername);
  // The nickname dialog the server's refusal opens gets one as well.
  modal_->on_dialog = [](QWidget* dialog) {
    if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
      input->setTextValue("eve2\r\nPRIVMSG #lobbyfind :typed");
      input->accept();
    }
  };
  LoginAndWait();
  ASSERT_TRUE(QTest::qWaitFor([&] { return in_use_sent.load(); }, kWaitMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return irc.Recorded().find("NICK eve2") != std::string::npos; }, kWaitMs));
  // And the chat input.
  w.Edit3->setText("hello\r\nQUIT :chat");
  form().Edit3KeyUp(app::Key::Enter);
  ASSERT_TRUE(QTest::qWaitFor([&] { return irc.Recorded().find("hello") != std::string::npos; }, kWaitMs));

  const std::string received = irc.Recorded();
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = received.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(received.substr(start, end - start));
  }
  int injected = 0;
  for (const std::string& line : lines) {
    const bool known = line.starts_with("NICK ") || line.starts_with("USER ") || line.starts_with("JOIN ") ||
                       line.starts_with("PRIVMSG #lobbyfind :hello");
    EXPECT_TRUE(known) << "unexpected line to the server: " << line;
    if (!known) ++injected;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  }
  AddSummaryRow({"line breaks typed by the user", "-", "-",
                 "3 (pasted player name, nickname dialog, chat input)",
                 std::to_string(lines.size()) + " lines reached the server, " + std::to_string(injected) +
                     " injected"});
}

TEST_F(BadInput, AGameFolderWithNonAsciiCharactersIsChosenStoredAndReadBack) {
  const std::string folder = Path("Spiele/GTA2 Über – 日本 ☃");
  std::filesystem::create_directories(std::filesystem::path(folder) / "data");
  std::ofstream(std::filesystem::path(folder) / "gta2.exe") << "MZ";
  const std::vector<std::string> maps = {"Zürich Nord", "Ärger im Hafen"};
  for (std::size_t i = 0; i < maps.size(); ++i) {
    std::ofstream(std::filesystem::path(folder) / "data" / ("kärte" + std::to_string(i) + ".mmp"), std::ios::binary)
        << "[MapFiles]\r\nGMPFile = m.gmp\r\nSTYFile = m.sty\r\nSCRFile =m.scr\r\nDescription = " << maps[i]
        << "\r\nPlayerCount = 6\r\n";
  }
  StartLobby();
  qt::MainWindow& w = lobby().window();
  // The user picks the folder in the folder dialog.
  bool dialog_seen = false;
  modal_->on_dialog = [&](QWidget* dialog) {
    if (auto* files = qobject_cast<QFileDialog*>(dialog); files != nullptr && !dialog_seen) {
      dialog_seen = true;
      files->setDirectory(QString::fromStdString(std::filesystem::path(folder).parent_path().string()));
      files->selectFile(QString::fromStdString(folder));
      QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    }
  };
  QTest::mouseClick(w.Button6, Qt::LeftButton);
  modal_->on_dialog = nullptr;
  EXPECT_TRUE(dialog_seen);
  const bool chosen = w.currentgtadirectory->text() == QString::fromStdString(folder);
  EXPECT_TRUE(chosen) << w.currentgtadirectory->text().toStdString();
  EXPECT_NE(ReadAll(IniPath()).find(folder), std::string::npos) << "stored as the bytes of its name";

  // Read back by a new start, and the maps found there.
  StopLobby();
  Setup again;
  again.keep_ini = true;
  StartLobby(again);
  const bool read_back = lobby().window().currentgtadirectory->text() == QString::fromStdString(folder);
  EXPECT_TRUE(read_back);
  EXPECT_EQ(lobby().game().GtaDir(), folder);
  const std::vector<std::string> catalogue = game::MapCatalogue(folder);
  // The game reads the names as Windows-1252, where the UTF-8 bytes of "Ä"
  // are "Ã„": a letter A, which sorts before Z as the game's list does.
  EXPECT_EQ(catalogue, (std::vector<std::string>{"Ärger im Hafen", "Zürich Nord"}));
  EXPECT_EQ(game::GetCurrentMapName(1, folder), "Zürich Nord");
  AddSummaryRow({"non-ASCII game folder", "-", "-", "folder and map names in UTF-8",
                 std::string("chosen ") + (chosen ? "yes" : "NO") + ", read back " + (read_back ? "yes" : "NO") +
                     ", " + std::to_string(catalogue.size()) + " of 2 maps read"});
}

}  // namespace
}  // namespace lobbyfind::reliability
