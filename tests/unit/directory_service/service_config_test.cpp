#include "service_config.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(ParseServiceConfig, ReadsEverySettingAndSortsNewestFirst) {
  const ServiceConfig config = ParseServiceConfig(
      "# directory settings\r\n"
      "current-version = 5\r\n"
      "  update-url=http://example.org/lobbyfind/  \n"
      "\n"
      "[change]\n"
      "time = 2024-01-01\n"
      "text = Old <fix>\n"
      "[change]\n"
      "version = 5\n"
      "time = 2024-05-01 12:00\n"
      "text = New list\n"
      "; news below\n"
      "[news]\n"
      "time = 2024-02-01\n"
      "title = Middle\n"
      "[news]\n"
      "time = 2024-03-01 08:30:00\n"
      "author = Anna\n"
      "title = Newest\n"
      "content = line one\n"
      "content = line two\n"
      "[news]\n"
      "time = 2023-12-24\n"
      "title = Oldest\n");
  ServiceConfig expected;
  expected.current_version = 5;
  expected.update_url = "http://example.org/lobbyfind/";
  expected.changes = {{5, "2024-05-01 12:00", "New list"}, {std::nullopt, "2024-01-01", "Old (fix)"}};
  expected.news = {{"2024-03-01 08:30:00", "Anna", "Newest", "line one\r\nline two"},
                   {"2024-02-01", "", "Middle", ""},
                   {"2023-12-24", "", "Oldest", ""}};
  EXPECT_EQ(config, expected);
}

TEST(ParseServiceConfig, EmptyFileGivesDefaults) {
  EXPECT_EQ(ParseServiceConfig(""), ServiceConfig{});
  EXPECT_EQ(ParseServiceConfig("").current_version, 4);
}

TEST(ParseServiceConfig, EqualTimesKeepFileOrder) {
  const auto config = ParseServiceConfig("[news]\ntime=2024-01-01\ntitle=A\n[news]\ntime=2024-01-01\ntitle=B\n");
  ASSERT_EQ(config.news.size(), 2u);
  EXPECT_EQ(config.news[0].title, "A");
  EXPECT_EQ(config.news[1].title, "B");
}

TEST(ParseServiceConfig, RefusesMistakesNamingTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"current-version = four\n", "line 1: not a number: four"},
      {"\nunknown = 1\n", "line 2: unknown key unknown"},
      {"no equals sign\n", "line 1: expected key = value"},
      {"[other]\n", "line 1: unknown section [other]"},
      {"[news]\ntime = 1.5.2024\n", "line 2: time must be"},
      {"[news]\ntime = 2024-05-01 9:00\n", "line 2: time must be"},
      {"[news]\ntitle = x\n", "line 1: section lacks time"},
      {"[change]\ntime = 2024-05-01\n[news]\n", "line 1: section lacks text"},
      {"[change]\nauthor = x\n", "line 2: unknown key author in [change]"},
  };
  for (const auto& c : cases) {
    try {
      (void)ParseServiceConfig(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ConfigError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace lobbyfind::directory_service
