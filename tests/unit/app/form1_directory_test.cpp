// The directory client as the main window creates it, and the window's
// handlers of its events, driven through fake HTTP connections.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/network_settings.h"
#include "app/program_version.h"
#include "network_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;

const std::string kFailedLine = "Can't establish, connection to the serverlist!";

class DirectoryHandlersTest : public NetworkFixture {};

TEST_F(DirectoryHandlersTest, TheDirectoryHostComesFromTheSettingsFile) {
  struct Case {
    std::string ini;
    std::string host;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"", "127.0.0.1", 8080},                                    // no file: the default
      {"directory-host\r\ndir.example\r\n", "dir.example", 80},  // no port: HTTP's
      {"directory-host\r\n10.1.2.3:8081\r\n", "10.1.2.3", 8081},
      {"directory-host\r\n\r\n", "127.0.0.1", 8080},              // empty: the default
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteConfig(c.ini);
    Create().Webinterface().RequestServerList();
    EXPECT_EQ(net_.LastRecord().host, c.host);
    EXPECT_EQ(net_.LastRecord().port, c.port);
  }
}

TEST(NetworkSettings, LauncherDefaultsToWineAndMayBeEmpty) {
  const auto path = std::filesystem::temp_directory_path() / "lobbyfind_launcher_test.ini";
  struct Case {
    std::string ini;
    std::string launcher;
  };
  for (const auto& c : {Case{"", "wine"}, Case{"launcher\r\nwine64\r\n", "wine64"}, Case{"launcher\r\n\r\n", ""}}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.ini;
    EXPECT_EQ(app::Launcher(config::cConfigFile(path.string())), c.launcher) << c.ini;
  }
  std::filesystem::remove(path);
}

TEST_F(DirectoryHandlersTest, ARunOfFailuresGivesOneLineUntilAServerListArrives) {
  auto& form = Create();
  auto& web = form.Webinterface();
  web.RequestServerList();
  Refuse();
  web.RequestServerList();
  Refuse();
  EXPECT_EQ(NewChatLines(), std::vector<std::string>{kFailedLine});
  EXPECT_EQ(view_.chat_log.back().colour, app::kSystemColour);
  EXPECT_TRUE(form.ConnectFailShown());

  web.RequestServerList();
  Reply(ServersReply({}));
  EXPECT_FALSE(form.ConnectFailShown());
  web.RequestServerList();
  Refuse();
  EXPECT_EQ(NewChatLines(), (std::vector<std::string>{kFailedLine, kFailedLine}));
}

TEST_F(DirectoryHandlersTest, ANewsReplyDoesNotClearTheFlag) {
  auto& form = Create();
  form.Webinterface().RequestNews();
  Refuse();
  form.Webinterface().RequestNews();
  Reply("<titel>NEWS</titel><eintrag><title>Hi</title><content>Text</content><autor>Anna</autor>"
        "<zeitpunkt>2024-05-02</zeitpunkt></eintrag>");
  EXPECT_TRUE(form.ConnectFailShown());
  form.Webinterface().RequestNews();
  Refuse();
  EXPECT_EQ(NewChatLines(), std::vector<std::string>{kFailedLine});
}

TEST_F(DirectoryHandlersTest, VersionReplies) {
  struct Case {
    std::string body;
    bool box;
  };
  const Case cases[] = {
      {"<titel>VERSION</titel><aktualitaet>aktuell</aktualitaet>", false},
      {"<titel>VERSION</titel><aktualitaet>alt</aktualitaet><updateurl>http://get.example/</updateurl>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    view_.messages.clear();
    auto& form = Create();
    form.Webinterface().CheckVersion(app::kProgramVersion);
    Refuse();
    ASSERT_TRUE(form.ConnectFailShown());
    form.Webinterface().CheckVersion(app::kProgramVersion);
    Reply(c.body);
    EXPECT_FALSE(form.ConnectFailShown()) << "any version reply clears it";
    ASSERT_EQ(view_.messages.size(), c.box ? 1U : 0U);
    if (c.box) {
      EXPECT_NE(view_.messages[0].find("Your version is not the latest version!"), std::string::npos);
      EXPECT_NE(view_.messages[0].find("http://get.example/"), std::string::npos);
    }
  }
}

TEST_F(DirectoryHandlersTest, NewsItemsGoToTheNewsPaneInReplyOrder) {
  auto& form = Create();
  form.Webinterface().RequestNews();
  Reply("<titel>NEWS</titel>"
        "<eintrag><title>One</title><content>First</content><autor>Anna</autor><zeitpunkt>Mon</zeitpunkt></eintrag>"
        "<eintrag><title>Two</title><content>Second</content><autor>Bob</autor><zeitpunkt>Tue</zeitpunkt></eintrag>");
  ASSERT_EQ(view_.news.size(), 8U);
  EXPECT_EQ(view_.news[0].text, "One");
  EXPECT_EQ(view_.news[1].text, "By Anna, Mon");
  EXPECT_EQ(view_.news[2].text, "First");
  EXPECT_EQ(view_.news[4].text, "Two");
  EXPECT_EQ(view_.news[5].text, "By Bob, Tue");
}

}  // namespace
}  // namespace lobbyfind::test
