// Faults: servers that die and come back, settings that cannot be written,
// a process killed in the middle of saving. The window says what happened,
// goes on, and loses nothing.
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "app/config_keys.h"
#include "directory_server_support.h"
#include "game/game_settings.h"
#include "ngircd_server.h"
#include "reliability_support.h"
#include "support/peer_unavailable.h"

namespace lobbyfind::reliability {
namespace {

using chat::testing::NgircdServer;
using directory_service::testing::DirectoryServer;
using directory_service::testing::LobbyGet;

const QString kChatClosed = QStringLiteral("Chat connection error: the chat server closed the connection");

// Takes away, for the calling thread only, the capabilities that let root
// write where the permissions say no; gives them back at the end. A plain
// user has none to take.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH) | (1U << CAP_FOWNER));
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutPermissionOverride() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
  WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

// Files may grow to `bytes` at most while it lives; writing more fails with
// EFBIG (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t old_handler_ = SIG_DFL;
};

class Faults : public LobbyTest {};

TEST_F(Faults, AChatServerKilledWhileLoggedInIsReportedAndLoginWorksAfterItsRestart) {
  NgircdServer irc;
  if (!irc.Start()) PEER_UNAVAILABLE() << irc.Error();
  Setup setup;
  setup.irc_port = irc.Port();
  StartLobby(setup);
  qt::MainWindow& w = lobby().window();
  LoginAndWait();
  ASSERT_EQ(w.ListBox2->count(), 1);

  QElapsedTimer clock;
  clock.start();
  irc.Kill();
  const bool reported = QTest::qWaitFor([&] { return ChatLines().last() == kChatClosed; }, kWaitMs);
  const qint64 noticed_ms = clock.elapsed();
  EXPECT_TRUE(reported);
  EXPECT_EQ(ChatLinesStarting(kChatClosed), 1);
  EXPECT_EQ(form().GetOnlineState(), app::OnlineState::osOnline) << "the game's presence goes on without the chat";
  EXPECT_TRUE(w.PageControl1->isTabVisible(w.PageControl1->indexOf(w.tab_Start)));
  EXPECT_EQ(w.PageControl1->currentWidget(), w.tab_Start);
  EXPECT_EQ(w.ListBox2->count(), 0);

  ASSERT_TRUE(irc.Start(setup.irc_port)) << irc.Error();
  clock.restart();
  QTest::mouseClick(w.Button7, Qt::LeftButton);
  const bool back = QTest::qWaitFor([&] { return form().GetOnlineState() == app::OnlineState::osOnline; }, kWaitMs);
  const qint64 relogin_ms = clock.elapsed();
  EXPECT_TRUE(back) << "\"Login\" works again";
  EXPECT_EQ(w.ListBox2->count(), 1);
  AddSummaryRow({"chat server killed", "logged in, 1 channel",
                 "SIGKILL of ngircd: shown after " + std::to_string(noticed_ms) + " ms; restart: online again after " +
                     std::to_string(relogin_ms) + " ms",
                 "-", std::string("1 line in the log, Start page back, login ") + (back ? "works" : "FAILED")});
}

TEST_F(Faults, ADirectoryServiceDownAndBackGivesOneFailureLineAndRecoversWithoutRestart) {
  constexpr int kRefreshMs = 1500;
  const std::vector<std::string> args = {"--rate", "0", "--ttl", "600", "--db", Path("entries.db")};
  auto directory = std::make_unique<DirectoryServer>(args, Path("directory.log"));
  const int port = directory->Port();
  const auto added = LobbyGet(port, "GIVEME=ADDSERVER&SERVERNAME=Alpha&PORT=2300&VERSION=4&MAP=Downtown", "127.0.0.5");
  ASSERT_EQ(added.status, 200) << added.body;
  Setup setup;
  setup.directory_host = "127.0.0.1:" + std::to_string(port);
  StartLobby(setup);
  form().SetOnlineState(app::OnlineState::osOnline);
  SetRefreshInterval(kRefreshMs);
  QListWidget& list = *lobby().window().ListBox1;
  ASSERT_TRUE(QTest::qWaitFor([&] { return list.count() == 1; }, kWaitMs));

  int outages = 0;
  qint64 down_ms = 0;
  int lines_per_outage_max = 0;
  bool recovered = true;
  for (int round = 0; round < 2; ++round) {
    const int lines_before = ChatLinesStarting(kDirectoryFailed);
    directory->Stop();
    QElapsedTimer clock;
    clock.start();
    // Down for several refreshes.
    QTest::qWait(4 * kRefreshMs);
    down_ms += clock.elapsed();
    ++outages;
    const int lines = ChatLinesStarting(kDirectoryFailed) - lines_before;
    lines_per_outage_max = std::max(lines_per_outage_max, lines);
    EXPECT_EQ(lines, 1) << "one line per outage, round " << round;
    std::vector<std::string> restart = args;
    restart.insert(restart.end(), {"--listen", "127.0.0.1:" + std::to_string(port)});
    // The port may still be held a moment by the old process's sockets.
    directory.reset();
    for (int attempt = 0; attempt < 20 && !directory; ++attempt) {
      try {
        directory = std::make_unique<DirectoryServer>(restart, Path("directory.log"));
      } catch (const std::runtime_error&) {
        QTest::qWait(500);
      }
    }
    ASSERT_TRUE(directory) << "the service does not start again: " << ReadAll(Path("directory.log"));
    list.clear();
    const bool back = QTest::qWaitFor([&] { return list.count() == 1; }, kWaitMs);
    EXPECT_TRUE(back) << "the list comes back without a restart, round " << round;
    recovered = recovered && back;
    if (back) {
      EXPECT_TRUE(list.item(0)->text().endsWith("Alpha:Downtown"));
    }
  }
  AddSummaryRow({"directory down and back", "refresh every " + std::to_string(kRefreshMs) + " ms",
                 std::to_string(outages) + " outages, " + std::to_string(down_ms) + " ms down in all",
                 "-",
                 "at most " + std::to_string(lines_per_outage_max) + " failure line per outage, stored entry " +
                     (recovered ? "listed again" : "LOST")});
}

TEST_F(Faults, GameSettingsThatCannotBeWrittenAreReportedAndTheProgramGoesOn) {
  struct Case {
    const char* name;
    std::function<void(game::MemoryRegistry&)> inject;
  };
  const Case cases[] = {
      {"a write that fails", [](game::MemoryRegistry& r) { r.FailWritesOf("PlayerName"); }},
      {"a key without write access",
       [](game::MemoryRegistry& r) { r.MakeReadOnly(game::RegistryRoot::kLocalMachine, game::kNetworkKeyPath); }},
  };
  int reported = 0;
  int went_on = 0;
  QStringList texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    game::MemoryRegistry registry;
    Setup setup;
    setup.registry = &registry;
    StartLobby(setup);
    c.inject(registry);
    const qsizetype boxes = modal_->Texts().size();
    QLineEdit& name = *lobby().window().currentplayername;
    QTest::keyClicks(&name, "x");
    const bool shown = QTest::qWaitFor([&] { return modal_->Texts().size() > boxes; }, kWaitMs);
    EXPECT_TRUE(shown) << "the failure is shown";
    if (shown) {
      ++reported;
      texts.push_back(modal_->Texts().last());
      EXPECT_FALSE(modal_->Texts().last().trimmed().isEmpty());
    }
    // The program goes on: the chat log and the other options still work.
    // (Changing the speed may show a message box of its own, whose event
    // loop lets other lines reach the log first.)
    form().AddChatLine(app::LineKind::lkSystem, "after the failure");
    lobby().window().currentgamespeed->setValue(lobby().window().currentgamespeed->value() == 1 ? 2 : 1);
    const bool logged = ChatLines().contains("after the failure");
    const bool typed = name.text() == "testerx";
    EXPECT_TRUE(logged) << ChatLines().join(" | ").toStdString();
    EXPECT_TRUE(typed) << name.text().toStdString();
    if (logged && typed) ++went_on;
    StopLobby();
  }
  EXPECT_EQ(went_on, 2);
  AddSummaryRow({"registry refuses writes", "player name typed", std::to_string(reported) + " of 2 failures reported",
                 "-", std::to_string(went_on) + " of 2 windows went on; message: \"" +
                          texts.value(0).left(60).toStdString() + "\""});
}

TEST_F(Faults, ASettingsFileThatCannotBeSavedIsReportedAndTheOldFileStaysIntact) {
  StartLobby();
  QCheckBox& timestamps = *lobby().window().timestampinchat;
  QTest::mouseClick(&timestamps, Qt::LeftButton);  // saved at once
  ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(IniPath()).find(app::kKeyShowTimestamp) != std::string::npos; },
                              kWaitMs));
  const std::string old_file = ReadAll(IniPath());
  const auto folder = std::filesystem::path(IniPath()).parent_path();

  struct Case {
    const char* name;
    std::function<void()> save;
  };
  const Case cases[] = {
      {"read-only folder",
       [&] {
         std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
         {
           WithoutPermissionOverride as_plain_user;
           QTest::mouseClick(&timestamps, Qt::LeftButton);
         }
         std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
       }},
      {"full disk",
       [&] {
         FileSizeLimit full(16);
         QTest::mouseClick(&timestamps, Qt::LeftButton);
       }},
  };
  int reported = 0;
  int intact = 0;
  QStringList texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const qsizetype boxes = modal_->Texts().size();
    c.save();
    const bool shown = QTest::qWaitFor([&] { return modal_->Texts().size() > boxes; }, kWaitMs);
    EXPECT_TRUE(shown) << "the failed save is shown";
    if (shown) {
      ++reported;
      texts.push_back(modal_->Texts().last());
    }
    EXPECT_EQ(ReadAll(IniPath()), old_file);
    if (ReadAll(IniPath()) == old_file) ++intact;
    std::size_t leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with("lobbyfind.ini.")) ++leftovers;
    }
    EXPECT_EQ(leftovers, 0U) << "no half-written file is left behind";
  }
  // With room again, the next change is saved.
  QTest::mouseClick(&timestamps, Qt::LeftButton);
  const bool saved_again = ReadAll(IniPath()) != old_file;
  EXPECT_TRUE(saved_again);
  AddSummaryRow({"settings save fails", "3 option changes",
                 std::to_string(reported) + " of 2 failed saves reported (read-only folder, full disk)", "-",
                 "old file intact " + std::to_string(intact) + " of 2, next save " + (saved_again ? "works" : "FAILS") +
                     "; message: \"" + texts.value(0).left(50).toStdString() + "\""});
}

TEST_F(Faults, KilledWhileSavingLeavesTheOldOrTheNewFile) {
  constexpr int kRounds = 6;
  // A settings file of some size, so that a kill often lands inside a write.
  std::string filler(256 * 1024, 'f');
  Setup setup;
  setup.extra_ini = "filler\r\n" + filler + "\r\n";
  StartLobby(setup);
  StopLobby();
  std::mt19937 random(2024);
  int whole = 0;
  int rounds = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::filesystem::remove(Path("ready"));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(dir_.path());
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The real window saving its settings in a loop, until killed.
    child.start(QStringLiteral(LOBBYFIND_SAVE_LOOP_CHILD), {dir_.path(), QString::number(FreePort())});
    ASSERT_TRUE(child.waitForStarted(kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(Path("ready")); }, 60000));
    QTest::qWait(std::uniform_int_distribution<int>(5, 150)(random));
    child.kill();
    child.waitForFinished(kWaitMs);
    ++rounds;
    const std::string now = ReadAll(IniPath());
    const bool is_whole = now == ReadAll(Path("first")) || now == ReadAll(Path("second"));
    EXPECT_TRUE(is_whole) << "round " << round << ": " << now.size() << " bytes";
    if (is_whole) ++whole;
  }
  // The window starts over whatever the kill left.
  Setup again;
  again.keep_ini = true;
  StartLobby(again);
  const bool starts = form().HasConfig();
  AddSummaryRow({"killed while saving", std::to_string(rounds) + " SIGKILLs of a window saving " +
                                            std::to_string(filler.size() / 1024) + " KiB settings in a loop",
                 std::to_string(rounds) + " kills", "-",
                 "file whole (old or new) " + std::to_string(whole) + " of " + std::to_string(rounds) +
                     ", restart " + (starts ? "works" : "FAILS")});
}

}  // namespace
}  // namespace lobbyfind::reliability
