// The chat's helpers on their own: nickname completion, the recall of sent
// lines, web addresses in lines and the nickname test of highlighting.
#include <gtest/gtest.h>

#include "app/chat_input_history.h"
#include "app/chat_links.h"
#include "app/nick_completion.h"
#include "app/notifications.h"

namespace lobbyfind::test {
namespace {

using app::LinkSpan;
using NickList = std::vector<std::string>;

TEST(NickCompletion, CompletesTheLastWordFromThePlayers) {
  const NickList players = {"@Alice", "albert", "bob", "me", "+Bobby"};
  struct Case {
    std::string input;
    std::optional<std::string> completed;
  };
  const Case cases[] = {
      {"al", "Alice: "},         // mode sign dropped, ": " at the start
      {"hi BO", "hi bob "},      // without case, a blank mid-line
      {"hi bobb", "hi Bobby "},  // the first that fits
      {"m", std::nullopt},       // the user's own name is never offered
      {"zed", std::nullopt},     // nobody fits
      {"", std::nullopt},        // nothing typed
      {"hello ", std::nullopt},  // nothing begun
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    app::NickCompletion completion;
    EXPECT_EQ(completion.Complete(c.input, players, "ME"), c.completed);
  }
}

TEST(NickCompletion, TabAgainCyclesUntilSomethingIsTyped) {
  const NickList players = {"bea", "Bob", "carl", "bonnie"};
  app::NickCompletion completion;
  std::string input = "hey b";
  std::vector<std::string> offered;
  for (int i = 0; i < 4; ++i) {
    input = completion.Complete(input, players, "me").value();
    offered.push_back(input);
  }
  EXPECT_EQ(offered, (NickList{"hey bea ", "hey Bob ", "hey bonnie ", "hey bea "}));
  // Typed on: a fresh completion of the new word.
  EXPECT_EQ(completion.Complete(input + "c", players, "me"), "hey bea carl ");
}

TEST(ChatInputHistory, UpAndDownWalkTheSentLinesAndBackToTheDraft) {
  app::ChatInputHistory history;
  EXPECT_EQ(history.Older("draft"), std::nullopt);
  for (const char* line : {"one", "two", "two", "", "three"}) history.Sent(line);
  EXPECT_EQ(history.Newer(), std::nullopt);  // not going back yet
  EXPECT_EQ(history.Older("typing"), "three");
  EXPECT_EQ(history.Older("three"), "two");  // "two" sent twice is kept once
  EXPECT_EQ(history.Older("two"), "one");
  EXPECT_EQ(history.Older("one"), std::nullopt);
  EXPECT_EQ(history.Newer(), "two");
  EXPECT_EQ(history.Newer(), "three");
  EXPECT_EQ(history.Newer(), "typing");
  EXPECT_EQ(history.Newer(), std::nullopt);
  // Sending starts again from the newest.
  (void)history.Older("");
  history.Sent("four");
  EXPECT_EQ(history.Older(""), "four");
}

TEST(ChatInputHistory, KeepsTheLastFiftyLines) {
  app::ChatInputHistory history;
  for (int i = 1; i <= 60; ++i) history.Sent("line " + std::to_string(i));
  std::vector<std::string> recalled;
  while (auto line = history.Older("")) recalled.push_back(*line);
  ASSERT_EQ(recalled.size(), app::ChatInputHistory::kKeptLines);
  EXPECT_EQ(recalled.front(), "line 60");
  EXPECT_EQ(recalled.back(), "line 11");
}

TEST(ChatLinks, FindsWebAddressesAndNothingElse) {
  struct Case {
    std::string line;
    std::vector<LinkSpan> links;
  };
  const Case cases[] = {
      {"see http://gta2.example/maps now", {{4, 24}}},
      {"HTTPS://Example.org/a?b=c&d=e", {{0, 29}}},
      {"www.example.org.", {{0, 15}}},                  // the full stop ends the sentence
      {"(see www.example.org/x)", {{5, 17}}},           // so does an unopened ")"
      {"http://en.example.org/wiki/A_(b)", {{0, 32}}},  // an opened one stays
      {"<http://example.org>", {{1, 18}}},
      {"\"http://example.org\"", {{1, 18}}},
      {"two: http://a.example and www.b.example", {{5, 16}, {26, 13}}},
      {"http:// alone, www. alone", {}},
      {"awww.example.org xhttp://example.org", {}},  // inside a word
      {"javascript:alert(1) file:///etc/passwd", {}},
      {"<a href=x>bold</a> ftp://example.org", {}},
      {"http://example.org/\xc3\xa4rger", {{0, 19}}},  // stops before non-ASCII
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(app::FindLinks(c.line), c.links);
  }
}

TEST(ChatLinks, AClickOpensTheAddressUnderIt) {
  const std::string line = "bob : try www.gta2.example/maps, or http://x.example";
  EXPECT_EQ(app::LinkAt(line, 10), "http://www.gta2.example/maps");
  EXPECT_EQ(app::LinkAt(line, 27), "http://www.gta2.example/maps");
  EXPECT_EQ(app::LinkAt(line, 31), std::nullopt);  // the comma after it
  EXPECT_EQ(app::LinkAt(line, 3), std::nullopt);
  EXPECT_EQ(app::LinkAt(line, line.size() - 1), "http://x.example");
  EXPECT_EQ(app::LinkAt(line, line.size()), std::nullopt);
}

TEST(NamesNickname, AWordOfItsOwnWithoutCase) {
  struct Case {
    std::string text;
    std::string nick;
    bool named;
  };
  const Case cases[] = {
      {"hi bob", "bob", true},        {"BOB: game?", "bob", true}, {"bob, bob", "Bob", true},
      {"@bob!", "bob", true},         {"bobby", "bob", false},     {"abob", "bob", false},
      {"bob_ is here", "bob", false}, {"[bob]", "[bob]", true},    {"x[bob]y", "[bob]", false},
      {"anything", "", false},        {"bo", "bob", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.nick);
    EXPECT_EQ(app::NamesNickname(c.text, c.nick), c.named);
  }
}

}  // namespace
}  // namespace lobbyfind::test
