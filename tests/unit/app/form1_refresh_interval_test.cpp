#include <gtest/gtest.h>

#include <string>

#include "app/form1.h"
#include "form_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;

TEST_F(FormFixture, RefreshIntervalAtCreation) {
  struct Case {
    const char* name;
    std::string file;  // empty: no file
    std::string spin;
    std::uint32_t timer2;
    std::string file_after;
  };
  const Case cases[] = {
      {"no file", "", "5000", 2500, ""},
      {"stored 20000", "serverlist-refreshs\r\n20000\r\n", "20000", 20000,
       "serverlist-refreshs\r\n20000\r\n"},
      {"stored 1000", "serverlist-refreshs\r\n1000\r\n", "5000", 1000,
       "serverlist-refreshs\r\n1000\r\n"},
      // Shown clamped (the box's handler stores what it shows); the timer
      // takes a short stored interval as it is, but never one above 60000.
      {"stored 90000", "serverlist-refreshs\r\n90000\r\n", "60000", 60000,
       "serverlist-refreshs\r\n60000\r\n"},
      {"stored 2147483647", "serverlist-refreshs\r\n2147483647\r\n", "60000", 60000,
       "serverlist-refreshs\r\n60000\r\n"},
      {"not a number", "serverlist-refreshs\r\nsoon\r\n", "5000", 2500,
       "serverlist-refreshs\r\nsoon\r\n"},
      // A zero or negative interval would stop or spin the main loop.
      {"stored 0", "serverlist-refreshs\r\n0\r\n", "5000", 2500, "serverlist-refreshs\r\n0\r\n"},
      {"stored -1", "serverlist-refreshs\r\n-1\r\n", "5000", 2500,
       "serverlist-refreshs\r\n-1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(config_path_);
    if (!c.file.empty()) WriteConfig(c.file);
    view_ = FakeView();
    timers_.made.clear();
    Create();
    EXPECT_EQ(view_.Text(Control::serverlistrefreshtime), c.spin);
    EXPECT_EQ(Timer2().interval, c.timer2);
    EXPECT_EQ(ReadConfig(), c.file_after);
  }
}

// Typing into the box: each edit reaches the core with the box's whole text.
TEST_F(FormFixture, TypingIntoTheRefreshBox) {
  auto& form = Create();
  struct Step {
    std::string text;
    std::uint32_t timer2;
    std::string stored;  // "" = nothing stored yet
  };
  const Step steps[] = {
      {"2", 2500, ""},          {"20", 2500, ""},         {"200", 2500, ""},
      {"2000", 2000, "2000"},   {"20000", 20000, "20000"}, {"", 5000, "5000"},
      {"-1", 5000, "5000"},     {"-", 5000, "5000"},       {"600000", 60000, "60000"},
      {"1001", 1001, "1001"},   {"1000", 1001, "1001"},    {"abc", 5000, "5000"},
  };
  for (const auto& step : steps) {
    view_.SetText(Control::serverlistrefreshtime, step.text);
    form.ControlChanged(Control::serverlistrefreshtime);
    EXPECT_EQ(Timer2().interval, step.timer2) << step.text;
    EXPECT_EQ(ReadConfig(), step.stored.empty() ? "" : "serverlist-refreshs\r\n" + step.stored + "\r\n")
        << step.text;
  }
}

TEST_F(FormFixture, LeavingTheBoxClampsAndThatCountsAsAChange) {
  auto& form = Create();
  struct Step {
    std::string typed;
    std::string shown_after_exit;
    std::uint32_t timer2;
  };
  const Step steps[] = {
      {"1500", "5000", 5000},    // below the range: raised to the minimum and stored
      {"70000", "60000", 60000},  // above: lowered to the maximum
      {"30000", "30000", 30000},  // in range: left alone
      {"-7", "5000", 5000},
  };
  for (const auto& step : steps) {
    view_.SetText(Control::serverlistrefreshtime, step.typed);
    form.ControlChanged(Control::serverlistrefreshtime);
    form.SpinBoxExit(Control::serverlistrefreshtime);
    EXPECT_EQ(view_.Text(Control::serverlistrefreshtime), step.shown_after_exit) << step.typed;
    EXPECT_EQ(Timer2().interval, step.timer2) << step.typed;
  }
}

TEST_F(FormFixture, FailedSaveIsShownAndTheIntervalStillApplies) {
  config_path_ = (dir_ / "missing folder" / "lobbyfind.ini").string();
  auto& form = Create();
  view_.SetText(Control::serverlistrefreshtime, "15000");
  form.ControlChanged(Control::serverlistrefreshtime);
  EXPECT_EQ(Timer2().interval, 15000U);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_NE(view_.messages[0].find("missing folder"), std::string::npos) << view_.messages[0];
}

TEST_F(FormFixture, SpinValueRules) {
  auto& form = Create();
  struct Case {
    Control box;
    std::string text;
    std::int32_t value;
  };
  const Case cases[] = {
      {Control::serverlistrefreshtime, "12345", 12345},
      {Control::serverlistrefreshtime, "", 5000},
      {Control::serverlistrefreshtime, "12a", 5000},
      {Control::serverlistrefreshtime, "999999", 999999},
      {Control::currentgametimelimit, "x", 0},
      {Control::currentfraglimit, "70000", 70000},
  };
  for (const auto& c : cases) {
    view_.SetText(c.box, c.text);
    EXPECT_EQ(form.SpinValue(c.box), c.value) << c.text;
  }
  EXPECT_THROW((void)form.SpinValue(Control::chatlog), std::invalid_argument);
}

}  // namespace
}  // namespace lobbyfind::test
