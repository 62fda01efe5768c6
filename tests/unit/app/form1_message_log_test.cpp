#include <gtest/gtest.h>

#include <string>

#include "app/form1.h"
#include "form_fixture.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::LineKind;

TEST_F(FormFixture, ChatLogKeepsTheLast201LinesAfter250) {
  auto& form = Create();
  view_.ChatLogClear();
  for (int i = 0; i < 250; ++i) {
    form.AddChatLine(LineKind::lkChat, "line " + std::to_string(i));
  }
  ASSERT_EQ(view_.chat_log.size(), 201U);
  EXPECT_EQ(view_.chat_log.front().text, "line 49");
  EXPECT_EQ(view_.chat_log.back().text, "line 249");
  EXPECT_TRUE(view_.chat_caret_at_end);
}

TEST_F(FormFixture, EachKindHasItsColourAndAnUnknownKindKeepsTheLastOne) {
  auto& form = Create();
  struct Case {
    LineKind kind;
    app::Rgb colour;
  };
  const Case cases[] = {
      {LineKind::lkNotice, {192, 192, 192}},
      {LineKind::lkChat, {0, 0, 0}},
      {LineKind::lkWhisper, {128, 0, 128}},
      {LineKind::lkSystem, {224, 115, 5}},
      {static_cast<LineKind>(7), {224, 115, 5}},
      {LineKind::lkWhisper, {128, 0, 128}},
      {static_cast<LineKind>(4), {128, 0, 128}},
  };
  for (const auto& c : cases) {
    form.AddChatLine(c.kind, "x");
    EXPECT_EQ(view_.chat_log.back().colour, c.colour) << static_cast<int>(c.kind);
  }
}

TEST_F(FormFixture, TimestampPrefixWhenTheOptionIsChecked) {
  auto& form = Create();
  view_.checked[Control::timestampinchat] = true;
  struct Case {
    std::int32_t ms;
    std::string text;
    std::string line;
  };
  const Case cases[] = {
      {ports::MsOfDay(14, 5, 9, 500), "hello", "[14:05:09] hello"},
      {ports::MsOfDay(0, 0, 0, 0), "", "[00:00:00] "},
      {ports::MsOfDay(23, 59, 59, 999), "<b>x</b>", "[23:59:59] <b>x</b>"},
  };
  for (const auto& c : cases) {
    clock_.ms_since_midnight = c.ms;
    form.AddChatLine(LineKind::lkChat, c.text);
    EXPECT_EQ(view_.chat_log.back().text, c.line);
  }
  view_.checked[Control::timestampinchat] = false;
  form.AddChatLine(LineKind::lkChat, "");
  EXPECT_EQ(view_.chat_log.back().text, "");
}

TEST_F(FormFixture, SetStatusWritesTextAndBars) {
  auto& form = Create();
  struct Case {
    std::uint8_t percent;
    std::string panel0;
    std::string panel1;
  };
  const Case cases[] = {
      {0, "Update Config (0%)", ""},
      {11, "Update Config (11%)", ""},
      {12, "Update Config (12%)", "|"},
      {15, "Update Config (15%)", "|"},
      {50, "Update Config (50%)", "||||"},
      {100, "Update Config (100%)", "|||||||||"},
  };
  for (const auto& c : cases) {
    form.SetStatus("Update Config", c.percent);
    EXPECT_EQ(view_.status_panels[0], c.panel0);
    EXPECT_EQ(view_.status_panels[1], c.panel1) << int{c.percent};
  }
}

TEST_F(FormFixture, SetStatusRepaintsOnlyWhenAPanelChanged) {
  auto& form = Create();
  form.SetStatus("Loggin in ... Trying to connect", 13);
  EXPECT_EQ(view_.status_repaints, 1);
  form.SetStatus("Loggin in ... Trying to connect", 13);
  EXPECT_EQ(view_.status_repaints, 1);
  form.SetStatus("Loggin in ... Trying to connect", 14);  // text changes, bar stays
  EXPECT_EQ(view_.status_repaints, 2);
  EXPECT_EQ(view_.status_panels[1], "|");
  view_.status_panels[0] = "Logging in ... done! (100%)";
  form.SetStatus("Logging in ... done!", 100);  // only the bar changes
  EXPECT_EQ(view_.status_repaints, 3);
}

TEST_F(FormFixture, NewsItemIsFourFormattedLines) {
  auto& form = Create();
  form.AddNewsItem("Server moved", "New address <b>soon</b>", "admin", "2024-01-02");
  form.AddNewsItem("Second", "", "", "");
  ASSERT_EQ(view_.news.size(), 8U);
  const FakeView::NewsLine expected[] = {
      {"Server moved", {11, true, {235, 235, 235}}},
      {"By admin, 2024-01-02", {7, false, {149, 149, 149}}},
      {"New address <b>soon</b>", {9, false, {214, 214, 214}}},
      {"", {5, false, {214, 214, 214}}},
      {"Second", {11, true, {235, 235, 235}}},
      {"By , ", {7, false, {149, 149, 149}}},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(view_.news[i].text, expected[i].text) << i;
    EXPECT_EQ(view_.news[i].format, expected[i].format) << i;
  }
}

}  // namespace
}  // namespace lobbyfind::test
