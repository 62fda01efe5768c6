// What every View must do for the core, written once and run against each
// view (the fake, the Qt window, the Win32 window), so that the core's tests
// over the fake mean what they say in both editions. A test program includes
// this header in one source file and instantiates the suite:
//   INSTANTIATE_TEST_SUITE_P(Fake, ViewContract, testing::Values(factory), PrintViewFactory);
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/screen_text.h"
#include "app/view.h"
#include "game/game_bridge.h"
#include "game/memory_registry.h"
#include "game/window_control.h"
#include "support/fake_ports.h"

namespace lobbyfind::test {

// One fresh window for one test, with probes that read what it really shows.
class ViewUnderTest {
 public:
  virtual ~ViewUnderTest() = default;
  virtual app::View& view() = 0;
  // What a text control shows, as UTF-8, as the user reads it (markup
  // rendered, should the control render it).
  virtual std::string Shown(app::Control c) = 0;
  virtual std::vector<std::string> ShownItems(app::Control c) = 0;
  // The chat log's and the news pane's lines as shown, at the end of the
  // turn of the event loop: a line break of any kind starts a new line.
  virtual std::vector<std::string> ShownChatLines() = 0;
  // The colour of each chat-log line (of its first character).
  virtual std::vector<app::Rgb> ShownChatColours() = 0;
  // Whether the chat log's caret stands after its last character, which
  // keeps the newest line in view.
  virtual bool ChatCaretAtEnd() = 0;
  // Lets the event loop finish its turn: a view may show the edits of one
  // turn together at its end.
  virtual void EndTurn() = 0;
  virtual std::vector<std::string> ShownNewsLines() = 0;
  // Replaces an edit's text as the user would by typing (UTF-8 screen text).
  virtual void Type(app::Control c, const std::string& screen) = 0;
  // Shows a message box with `text`, reads what it shows and closes it.
  virtual std::string ShownMessage(const std::string& text) = 0;
};

struct ViewFactory {
  std::string name;
  std::function<std::unique_ptr<ViewUnderTest>()> make;
};

inline void PrintTo(const ViewFactory& factory, std::ostream* out) { *out << factory.name; }
inline std::string PrintViewFactory(const ::testing::TestParamInfo<ViewFactory>& info) { return info.param.name; }

namespace view_contract {

using Control = app::Control;

// Bytes from anywhere (the game's registry, the chat server, the settings
// file) and how they are shown.
struct Sample {
  const char* bytes;
  const char* shown;
};
inline const Sample kSamples[] = {
    {"J\xfc" "rgen", "J\xc3\xbc" "rgen"},            // the game's Windows-1252
    {"J\xc3\xbc" "rgen", "J\xc3\xbc" "rgen"},        // UTF-8 from the chat
    {"\x80\x81\x8d\x9f\xff", "\xe2\x82\xac\xc2\x81\xc2\x8d\xc5\xb8\xc3\xbf"},
    {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},  // beyond Windows-1252
    {"a\xc3", "a\xc3\x83"},                          // cut UTF-8: not valid, so Windows-1252
    {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // an encoded surrogate is not valid
    {"<b>bold</b> &amp; <a href=x>y</a>", "<b>bold</b> &amp; <a href=x>y</a>"},
};

inline constexpr Control kTextControls[] = {
    Control::currentplayername, Control::Edit4, Control::Edit3, Control::currentgtadirectory,
    Control::playershint, Control::gamefilter};

inline bool IsSortedIgnoringCase(const std::vector<std::string>& items) {
  return std::is_sorted(items.begin(), items.end(),
                        [](const std::string& a, const std::string& b) { return app::LessIgnoringCase(a, b); });
}

inline std::vector<std::string> SortedCopy(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  return items;
}

}  // namespace view_contract

class ViewContract : public ::testing::TestWithParam<ViewFactory> {
 protected:
  using Control = app::Control;
  void SetUp() override { under_test_ = GetParam().make(); }
  void TearDown() override { under_test_.reset(); }
  ViewUnderTest& probe() { return *under_test_; }
  app::View& view() { return under_test_->view(); }

 private:
  std::unique_ptr<ViewUnderTest> under_test_;
};

TEST_P(ViewContract, EveryTextControlGivesBackItsBytesAndShowsThemByTheRule) {
  using namespace view_contract;
  for (const Control c : kTextControls) {
    for (const Sample& sample : kSamples) {
      view().SetText(c, sample.bytes);
      EXPECT_EQ(view().Text(c), sample.bytes) << static_cast<int>(c) << " " << sample.shown;
      EXPECT_EQ(probe().Shown(c), sample.shown) << static_cast<int>(c);
    }
  }
  for (const Sample& sample : kSamples) {
    view().SetStatusPanelText(0, sample.bytes);
    EXPECT_EQ(view().StatusPanelText(0), sample.bytes) << sample.shown;
  }
}

TEST_P(ViewContract, ListEntriesGiveBackTheirBytes) {
  using namespace view_contract;
  std::vector<std::string> bytes;
  std::vector<std::string> shown;
  for (const Sample& sample : kSamples) {
    bytes.emplace_back(sample.bytes);
    shown.emplace_back(sample.shown);
  }
  view().SetItems(Control::ListBox1, bytes);
  EXPECT_EQ(view().Items(Control::ListBox1), bytes);
  EXPECT_EQ(probe().ShownItems(Control::ListBox1), shown);
  view().SetItem(Control::ListBox1, 1, kSamples[0].bytes);
  EXPECT_EQ(view().Items(Control::ListBox1).at(1), kSamples[0].bytes);

  view().SetItems(Control::ListBox2, {});
  for (const auto& entry : bytes) view().AddItem(Control::ListBox2, entry);
  EXPECT_EQ(SortedCopy(view().Items(Control::ListBox2)), SortedCopy(bytes));

  // Added many at once: after the entries already there, in order, their
  // bytes kept; a sorted list puts each in its place.
  view().SetItems(Control::ListBox1, {"[*]first:m"});
  view().AddItems(Control::ListBox1, bytes);
  view().AddItems(Control::ListBox1, {"[*]last:m"});
  std::vector<std::string> appended = {"[*]first:m"};
  appended.insert(appended.end(), bytes.begin(), bytes.end());
  appended.push_back("[*]last:m");
  EXPECT_EQ(view().Items(Control::ListBox1), appended);
  shown.insert(shown.begin(), "[*]first:m");
  shown.push_back("[*]last:m");
  EXPECT_EQ(probe().ShownItems(Control::ListBox1), shown);
  view().SetItems(Control::ListBox2, {"mid"});
  view().AddItems(Control::ListBox2, {"zed", "Alpha", "beta"});
  EXPECT_EQ(view().Items(Control::ListBox2), (std::vector<std::string>{"Alpha", "beta", "mid", "zed"}));
}

TEST_P(ViewContract, TypedTextIsEncodedForWhereItGoesAndUnchangedTextStaysAsItWas) {
  // The player name is the game's: Windows-1252. The chat input goes to the
  // chat server: UTF-8.
  view().SetText(Control::currentplayername, "x");
  probe().Type(Control::currentplayername, "J\xc3\xbcrgen \xe2\x82\xac");
  EXPECT_EQ(view().Text(Control::currentplayername), "J\xfcrgen \x80");
  probe().Type(Control::Edit3, "J\xc3\xbcrgen \xe2\x82\xac");
  EXPECT_EQ(view().Text(Control::Edit3), "J\xc3\xbcrgen \xe2\x82\xac");
  // Text set from the chat's UTF-8 and then added to: the new text is the
  // game's.
  view().SetText(Control::currentplayername, "J\xc3\xbcrgen");
  EXPECT_EQ(view().Text(Control::currentplayername), "J\xc3\xbcrgen");
  probe().Type(Control::currentplayername, "J\xc3\xbcrgen2");
  EXPECT_EQ(view().Text(Control::currentplayername), "J\xfcrgen2");
}

TEST_P(ViewContract, PlayersListSortsWithoutCaseKeepingDuplicates) {
  using namespace view_contract;
  const std::vector<std::string> names = {"bob", "Alice", "BOB", "carol", "alice", "Bob", "dave", "Carol", "2nd"};
  view().SetItems(Control::ListBox2, {});
  for (const auto& name : names) view().AddItem(Control::ListBox2, name);
  const auto added = view().Items(Control::ListBox2);
  EXPECT_TRUE(IsSortedIgnoringCase(added)) << ::testing::PrintToString(added);
  EXPECT_EQ(SortedCopy(added), SortedCopy(names));

  view().SetItems(Control::ListBox2, names);
  const auto set = view().Items(Control::ListBox2);
  EXPECT_TRUE(IsSortedIgnoringCase(set)) << ::testing::PrintToString(set);
  EXPECT_EQ(SortedCopy(set), SortedCopy(names));
}

TEST_P(ViewContract, RenamedEntryTakesItsPlaceWithItsSelection) {
  using namespace view_contract;
  view().SetItems(Control::ListBox2, {"alice", "Bob", "carol", "dave"});
  const auto bob = [&] {
    const auto items = view().Items(Control::ListBox2);
    return static_cast<int>(std::find(items.begin(), items.end(), "Bob") - items.begin());
  }();
  view().SetSelected(Control::ListBox2, bob, true);
  view().SetItem(Control::ListBox2, bob, "bob");  // case only
  auto items = view().Items(Control::ListBox2);
  EXPECT_TRUE(IsSortedIgnoringCase(items)) << ::testing::PrintToString(items);
  auto at = static_cast<int>(std::find(items.begin(), items.end(), "bob") - items.begin());
  ASSERT_LT(at, static_cast<int>(items.size()));
  EXPECT_TRUE(view().Selected(Control::ListBox2, at));

  view().SetItem(Control::ListBox2, at, "zed");  // moves to the end
  items = view().Items(Control::ListBox2);
  EXPECT_EQ(items, (std::vector<std::string>{"alice", "carol", "dave", "zed"}));
  EXPECT_TRUE(view().Selected(Control::ListBox2, 3));
  EXPECT_FALSE(view().Selected(Control::ListBox2, 0));
}

TEST_P(ViewContract, GameLinesKeepTheirLookUntilTheListIsReplaced) {
  const std::vector<std::string> lines = {"[12ms] a:b", "[*]c:d", "[???ms] e:f"};
  view().SetItems(Control::ListBox1, lines);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, i), app::ItemStyle{}) << i;
  const app::ItemStyle green{app::Rgb{0, 128, 0}, false};
  const app::ItemStyle bold_red{app::Rgb{192, 0, 0}, true};
  view().SetItemStyle(Control::ListBox1, 0, green);
  view().SetItemStyle(Control::ListBox1, 2, bold_red);
  view().SetItem(Control::ListBox1, 2, "[7ms] e:f");  // the text changes, the look stays
  EXPECT_EQ(view().Items(Control::ListBox1), (std::vector<std::string>{"[12ms] a:b", "[*]c:d", "[7ms] e:f"}));
  EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, 0), green);
  EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, 1), app::ItemStyle{});
  EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, 2), bold_red);
  view().SetItems(Control::ListBox1, lines);
  EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, 0), app::ItemStyle{});
  EXPECT_EQ(view().ItemStyleAt(Control::ListBox1, 2), app::ItemStyle{});
}

TEST_P(ViewContract, SeveralPlayersSelectedAtOnce) {
  view().SetItems(Control::ListBox2, {"ann", "ben", "cid"});
  view().SetSelected(Control::ListBox2, 0, true);
  view().SetSelected(Control::ListBox2, 2, true);
  EXPECT_TRUE(view().Selected(Control::ListBox2, 0));
  EXPECT_FALSE(view().Selected(Control::ListBox2, 1));
  EXPECT_TRUE(view().Selected(Control::ListBox2, 2));
  view().SetSelected(Control::ListBox2, 0, false);
  EXPECT_FALSE(view().Selected(Control::ListBox2, 0));
  EXPECT_TRUE(view().Selected(Control::ListBox2, 2));
}

// The core's nickname change over this view's self-sorting list: every entry
// that matches is renamed once, in place, with one line each.
TEST_P(ViewContract, CoreRenamesEveryMatchingPlayerOnce) {
  const auto dir = std::filesystem::temp_directory_path() / "lobbyfind_view_contract";
  FakeTimers timers;
  FakeClock clock;
  FakeShell shell;
  game::MemoryRegistry registry;
  game::NoWindows windows;
  game::GameBridge bridge(registry, windows, clock);
  app::FormDeps deps;
  deps.view = &view();
  deps.make_timer = timers.Factory();
  deps.clock = &clock;
  deps.shell = &shell;
  deps.game = &bridge;
  deps.config_file_name = (dir / "lobbyfind.ini").string();
  // Never connected: no part of the network is made here.
  deps.make_tcp_connection = [] { return std::unique_ptr<ports::TcpConnection>(); };
  deps.make_udp_sender = [] { return std::make_unique<FakeUdpSender>(); };
  deps.make_tcp_listener = [] { return std::make_unique<FakeListener>(); };
  app::TForm1 form(std::move(deps));
  form.IrcClient().SetNickname("me");

  struct Case {
    std::vector<std::string> players;
    std::string from, to;
    std::vector<std::string> after;
    int lines;
  };
  const Case cases[] = {
      {{"alice", "Bob", "carol"}, "Bob", "bob", {"alice", "bob", "carol"}, 1},
      {{"BOB", "Bob", "carol"}, "Bob", "bob", {"bob", "bob", "carol"}, 2},
      {{"alice", "bob", "carol"}, "bob", "aaron", {"aaron", "alice", "carol"}, 1},
      {{"alice", "bob", "carol"}, "bob", "zed", {"alice", "carol", "zed"}, 1},
      {{"Amy", "amy", "AMY", "zoe"}, "amy", "Zak", {"zak", "zak", "zak", "zoe"}, 3},
      {{"Bob", "bob"}, "bob", "Bob", {"bob", "bob"}, 2},
  };
  for (const Case& c : cases) {
    view().SetItems(app::Control::ListBox2, c.players);
    view().ChatLogClear();
    form.IrcClientUserChangedNick(c.from, c.to);
    // Entries that differ only in case may stand in either order.
    auto after = view().Items(app::Control::ListBox2);
    for (auto& name : after) {
      for (auto& ch : name) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    }
    EXPECT_EQ(after, c.after) << c.from << " -> " << c.to;
    EXPECT_EQ(view().ChatLogLineCount(), c.lines) << c.from << " -> " << c.to;
    EXPECT_EQ(probe().ShownChatLines().size(), static_cast<std::size_t>(c.lines));
  }
}

TEST_P(ViewContract, ChatLogShowsEachEntryAsOneLineWithBreaksAsSymbols) {
  view().ChatLogClear();
  const std::pair<std::string, std::string> entries[] = {
      {"a\rb", "a\xe2\x90\x8d" "b"},
      {"c\nd", "c\xe2\x90\x8a" "d"},
      {"e\r\nf", "e\xe2\x90\x8d\xe2\x90\x8a" "f"},
      {"tab\there", "tab\there"},
      {"\x01\x7f\x0b\x0c", "\xe2\x90\x81\xe2\x90\xa1\xe2\x90\x8b\xe2\x90\x8c"},
      {"x\xe2\x80\xa8y\xe2\x80\xa9z", "x\xe2\x90\xa4y\xe2\x90\xa4z"},
      {"<b>bold</b> &lt;", "<b>bold</b> &lt;"},
      {"{\\rtf1 \\b x\\par}", "{\\rtf1 \\b x\\par}"},
      {"J\xfcrgen\r", "J\xc3\xbcrgen\xe2\x90\x8d"},
      {"gg \xf0\x9f\x99\x82 \xd0\x96", "gg \xf0\x9f\x99\x82 \xd0\x96"},
      {"", ""},
  };
  std::vector<std::string> expected;
  for (const auto& [bytes, shown] : entries) {
    view().ChatLogAppend(bytes, {0, 0, 0});
    expected.push_back(shown);
  }
  EXPECT_EQ(view().ChatLogLineCount(), static_cast<int>(expected.size()));
  EXPECT_EQ(probe().ShownChatLines(), expected);
}

TEST_P(ViewContract, ChatLogCapCountsShownLines) {
  view().ChatLogClear();
  // As the core trims: to 200 lines before each append.
  for (int i = 0; i < 250; ++i) {
    while (view().ChatLogLineCount() > app::TForm1::kChatLogKeepLines) view().ChatLogDeleteFirstLine();
    view().ChatLogAppend("line " + std::to_string(i) + "\r\nforged", {224, 115, 5});
  }
  const auto shown = probe().ShownChatLines();
  ASSERT_EQ(shown.size(), 201u);
  EXPECT_EQ(shown.front(), "line 49\xe2\x90\x8d\xe2\x90\x8a" "forged");
  EXPECT_EQ(shown.back(), "line 249\xe2\x90\x8d\xe2\x90\x8a" "forged");
}

namespace view_contract {
inline std::string FloodLine(int i) {
  std::string line = "line " + std::to_string(i);
  for (int k = 0; k < i % 7; ++k) line += "\xc3\xa4";
  if (i % 5 == 0) line += " \xf0\x9f\x99\x82";
  return line;
}
inline app::Rgb FloodColour(int i) { return {static_cast<std::uint8_t>(i % 3 * 100), 0, static_cast<std::uint8_t>(i % 2 * 200)}; }
}  // namespace view_contract

// The core trims the log to 200 lines before each new one; the lines of one
// turn may be shown together at its end. Whatever the turns, the log ends
// with the newest lines, in order, at its cap, and scrolled to the newest.
TEST_P(ViewContract, ChatLogKeepsTheNewestLinesInOrderWhateverTheTurns) {
  using view_contract::FloodColour;
  using view_contract::FloodLine;
  constexpr int kCap = app::TForm1::kChatLogKeepLines;
  struct Schedule {
    const char* name;
    std::vector<int> lines_per_turn;
    int clear_after_turn = -1;  // the log emptied after this turn's lines, before the turn ends
  };
  const Schedule schedules[] = {
      {"one line", {1}},
      {"fewer than the cap in one turn", {150}},
      {"more than the cap in one turn", {1000}},
      {"a line a turn past the cap", std::vector<int>(230, 1)},
      {"turns that cross the cap", {150, 100, 3, 400, 1}},
      {"exactly the cap and one", {kCap + 1}},
      {"cleared with lines pending", {120, 50}, 1},
      {"cleared, then a full turn", {300, 20, 260}, 1},
  };
  for (const Schedule& s : schedules) {
    view().ChatLogClear();
    probe().EndTurn();
    int written = 0;
    int first_after_clear = 0;
    for (std::size_t turn = 0; turn < s.lines_per_turn.size(); ++turn) {
      for (int i = 0; i < s.lines_per_turn[turn]; ++i) {
        while (view().ChatLogLineCount() > kCap) view().ChatLogDeleteFirstLine();
        // Lines of differing lengths in UTF-8 and on screen: a trim must
        // take whole lines.
        view().ChatLogAppend(FloodLine(written), FloodColour(written));
        ++written;
      }
      if (static_cast<int>(turn) == s.clear_after_turn) {
        view().ChatLogClear();
        first_after_clear = written;
      }
      probe().EndTurn();
    }
    std::vector<std::string> expected;
    std::vector<app::Rgb> colours;
    for (int i = std::max(first_after_clear, written - (kCap + 1)); i < written; ++i) {
      expected.push_back(FloodLine(i));
      colours.push_back(FloodColour(i));
    }
    EXPECT_EQ(probe().ShownChatLines(), expected) << s.name;
    EXPECT_EQ(view().ChatLogLineCount(), static_cast<int>(expected.size())) << s.name;
    if (!expected.empty()) {
      EXPECT_TRUE(probe().ChatCaretAtEnd()) << s.name;
    }
    EXPECT_TRUE(probe().ShownChatColours() == colours) << s.name;
  }
}

TEST_P(ViewContract, ChatLogCountsAndTrimsLinesNotShownYet) {
  view().ChatLogClear();
  for (int i = 0; i < 5; ++i) view().ChatLogAppend("shown " + std::to_string(i), {0, 0, 0});
  probe().EndTurn();
  for (int i = 0; i < 3; ++i) view().ChatLogAppend("pending " + std::to_string(i), {0, 0, 0});
  EXPECT_EQ(view().ChatLogLineCount(), 8);
  // Trimming takes the oldest first: the shown lines, then pending ones.
  for (int i = 0; i < 6; ++i) view().ChatLogDeleteFirstLine();
  EXPECT_EQ(view().ChatLogLineCount(), 2);
  EXPECT_EQ(probe().ShownChatLines(), (std::vector<std::string>{"pending 1", "pending 2"}));
}

TEST_P(ViewContract, MarkupIsShownLiterallyEverywhere) {
  const std::string markup = "<b>new</b> <a href=\"http://x\">version</a> &amp; <br>more";
  view().NewsAppend(markup, app::TextFormat{9, false, {214, 214, 214}});
  EXPECT_EQ(probe().ShownNewsLines().back(), markup);
  view().SetItems(app::Control::ListBox1, {markup});
  EXPECT_EQ(probe().ShownItems(app::Control::ListBox1), std::vector<std::string>{markup});
  view().SetText(app::Control::playershint, markup);
  EXPECT_EQ(probe().Shown(app::Control::playershint), markup);
  EXPECT_EQ(probe().ShownMessage(markup), markup);
}

}  // namespace lobbyfind::test
