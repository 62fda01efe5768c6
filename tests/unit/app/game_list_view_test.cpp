// The game list at a glance over the fake View: line colours, the filter box
// and joins through it, sorting by time with the selection kept, favourites
// and where these options are kept.
#include <gtest/gtest.h>

#include "app/favourites.h"
#include "app/game_line_look.h"
#include "app/game_list_view_model.h"
#include "config/config_file.h"
#include "directory/webinterface.h"
#include "game/connection_address.h"
#include "network_fixture.h"
#include "presence/session_enumeration.h"

namespace lobbyfind::test {
namespace {

using app::Control;

TEST(GameLineLook, BandAndColourFollowTheTimeTheLineShows) {
  struct Case {
    const char* line;
    app::PingBand band;
  };
  const Case cases[] = {
      {"[1ms] a:b", app::PingBand::kFast},       {"[80ms] a:b", app::PingBand::kFast},
      {"[81ms] a:b", app::PingBand::kMedium},    {"[150ms] a:b", app::PingBand::kMedium},
      {"[151ms] a:b", app::PingBand::kSlow},     {"[99999ms] a:b", app::PingBand::kSlow},
      {"[???ms] a:b", app::PingBand::kUnknown},  {"[*]a:b", app::PingBand::kWaiting},
      {"[*][5ms] a:b", app::PingBand::kWaiting},  // a name that looks like a time
      {"[5ms]a:b", app::PingBand::kUnknown},      // not the answered form
      {"[ms] a:b", app::PingBand::kUnknown},     {"", app::PingBand::kUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::BandOfLine(c.line), c.band) << c.line;
    EXPECT_EQ(app::GameLineStyle(c.line, false), (app::ItemStyle{app::BandColour(c.band), false})) << c.line;
  }
  EXPECT_TRUE(app::GameLineStyle("[1ms] a:b", true).bold);
  // Every band has a colour of its own.
  const app::PingBand bands[] = {app::PingBand::kFast, app::PingBand::kMedium, app::PingBand::kSlow,
                                 app::PingBand::kUnknown, app::PingBand::kWaiting};
  for (const auto a : bands) {
    for (const auto b : bands) {
      if (a != b) {
        EXPECT_NE(app::BandColour(a), app::BandColour(b));
      }
    }
  }
}

TEST(FavouriteNames, AnyNameComesBackFromItsStoredFormWhichIsPrintableAscii) {
  const std::string names[] = {"Bob",         "a,b",           "100%",
                               "%41",         "line\nbreak\r", std::string("nul\0in", 6),
                               "J\xfcrgen",   "\xe6\x97\xa5",  " lead and trail ",
                               "\x7f\x80\xff"};
  app::Favourites favourites;
  for (const auto& name : names) favourites.Toggle(name);
  const std::string stored = favourites.Encode();
  for (const char c : stored) {
    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(static_cast<unsigned char>(c));
  }
  const auto back = app::Favourites::Decode(stored);
  EXPECT_EQ(back.Encode(), stored);
  for (const auto& name : names) EXPECT_TRUE(back.Contains(name)) << name;
  EXPECT_FALSE(back.Contains("a"));
  EXPECT_FALSE(back.Contains("A"));
  EXPECT_TRUE(app::Favourites::Decode("").Empty());
  // Broken escapes stay literal rather than losing the name.
  EXPECT_TRUE(app::Favourites::Decode("50%,x%4").Contains("50%"));
  EXPECT_TRUE(app::Favourites::Decode("50%,x%4").Contains("x%4"));
}

TEST(GameFilterMatch, LettersWithoutCaseWhateverTheBytes) {
  struct Case {
    std::string text;
    std::string part;
    bool found;
  };
  const Case cases[] = {
      {"Downtown", "town", true},
      {"Downtown", "TOWN", true},
      {"Downtown", "", true},
      {"Downtown", "x", false},
      {"J\xfcrgen", "\xc3\x9cR", true},      // Windows-1252 name, UTF-8 filter, other case
      {"J\xc3\xbcrgen", "\xc3\x9cR", true},  // UTF-8 name
      {"Jurgen", "\xc3\xbc", false},
      {"a.b", ".", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::ContainsIgnoringCase(c.text, c.part), c.found) << c.text << " / " << c.part;
}

class GameListViewTest : public NetworkFixture {
 protected:
  void SetUp() override { Start(); }
  // Creates the window and runs the settings load, whose requests to the
  // directory are answered, so that the next reply is the server list's.
  void Start() {
    const std::size_t first_timer = timers_.made.size();
    Create();
    timers_.made.at(first_timer)->Tick();  // updateconfig
    while (form_->Webinterface().Busy()) Reply("");
    form_->SetOnlineState(app::OnlineState::osOnline);
    view_.SetText(Control::currentgtadirectory, "/games/GTA2");
  }
  void ShowList(const std::vector<Server>& servers) {
    form_->Button2Click();
    Reply(ServersReply(servers));
  }
  // `ip` answers `ms` after the list's requests went out.
  void Answer(const std::string& ip, std::int64_t ms) {
    const std::int64_t at = clock_.monotonic_ms;
    clock_.monotonic_ms += ms;
    listener_->Connect(ip)->Deliver(presence::SessionReply(2300, "x", 6, 1));
    clock_.monotonic_ms = at;
  }
  [[nodiscard]] std::vector<std::string> Lines() const { return view_.Items(Control::ListBox1); }
  [[nodiscard]] int LineOf(const std::string& line) const {
    const auto lines = Lines();
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() ? -1 : static_cast<int>(at - lines.begin());
  }
  void DoubleClick(int line) {
    ASSERT_GE(line, 0);
    for (int i = 0; i < static_cast<int>(Lines().size()); ++i)
      view_.SetSelected(Control::ListBox1, i, i == line);
    form_->Button1Click();
  }
  [[nodiscard]] std::vector<std::vector<std::uint8_t>> Joined() const {
    std::vector<std::vector<std::uint8_t>> writes;
    for (const auto& w : registry_.writes()) {
      if (w.value.type == game::reg_type::kBinary && w.name == "TCPIPAddrStringd")
        writes.push_back(w.value.data);
    }
    return writes;
  }
  void TypeFilter(const std::string& text) {
    view_.Type(Control::gamefilter, text);
    form_->ControlChanged(Control::gamefilter);
  }
  void ClickSort(bool on) {
    view_.SetChecked(Control::sortgamesbytime, on);
    form_->ControlClicked(Control::sortgamesbytime);
  }
  [[nodiscard]] std::optional<std::string> Stored(std::string_view key) const {
    config::cConfigFile file(config_path_);
    std::string value;
    if (!file.ReadString(key, value)) return std::nullopt;
    return value;
  }

  const std::vector<Server> servers_ = {{"Bob", "Downtown", "10.0.0.1"},
                                        {"Eve", "Industrial", "10.0.0.2"},
                                        {"Ann", "Residential", "10.0.0.3"},
                                        {"Industrial Ivan", "Downtown", "10.0.0.4"}};
};

TEST_F(GameListViewTest, WithEveryOptionAtItsDefaultTheLinesAreAsBeforeOnlyColoured) {
  ShowList(servers_);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Bob:Downtown", "[*]Eve:Industrial", "[*]Ann:Residential",
                                               "[*]Industrial Ivan:Downtown"}));
  Answer("10.0.0.3", 160);
  Answer("10.0.0.1", 40);
  Answer("10.0.0.2", 100);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[40ms] Bob:Downtown", "[100ms] Eve:Industrial",
                                               "[160ms] Ann:Residential", "[*]Industrial Ivan:Downtown"}));
  const app::Rgb colours[] = {app::kFastColour, app::kMediumColour, app::kSlowColour, app::kWaitingColour};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(view_.ItemStyleAt(Control::ListBox1, i), (app::ItemStyle{colours[i], false})) << i;
  }
  EXPECT_FALSE(Stored(app::kKeySortByTime)) << "nothing stored that the user did not change";
  EXPECT_FALSE(Stored(app::kKeyFavourites));
}

TEST_F(GameListViewTest, FilterNarrowsByNameOrMapAndTheDoubleClickJoinsTheShownServer) {
  ShowList(servers_);
  TypeFilter("INDUS");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Eve:Industrial", "[*]Industrial Ivan:Downtown"}));
  DoubleClick(1);
  EXPECT_EQ(Joined(), std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.4")});

  // Answers and a refresh keep the filter; the join still follows the line.
  Answer("10.0.0.2", 20);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[20ms] Eve:Industrial", "[*]Industrial Ivan:Downtown"}));
  ShowList(servers_);
  DoubleClick(0);
  EXPECT_EQ(Joined().back(), game::WideAddress("10.0.0.2"));

  TypeFilter("nobody");
  EXPECT_TRUE(Lines().empty());
  form_->Button1Click();
  EXPECT_EQ(Joined().size(), 2U);
  TypeFilter("");
  EXPECT_EQ(Lines().size(), 4U);
  EXPECT_FALSE(Stored("gamefilter")) << "the filter is not an option kept between runs";
}

TEST_F(GameListViewTest, SortedByTimeKeepsTheSelectedGameSelectedAcrossRefreshes) {
  ShowList(servers_);
  Answer("10.0.0.1", 120);
  Answer("10.0.0.2", 30);
  Answer("10.0.0.3", 200);
  ClickSort(true);
  EXPECT_EQ(Stored(app::kKeySortByTime), "1");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[30ms] Eve:Industrial", "[120ms] Bob:Downtown",
                                               "[200ms] Ann:Residential", "[*]Industrial Ivan:Downtown"}));
  view_.SetSelected(Control::ListBox1, 1, true);  // Bob

  // A refresh shows every line waiting again: the last times keep the order.
  ShowList(servers_);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Eve:Industrial", "[*]Bob:Downtown", "[*]Ann:Residential",
                                               "[*]Industrial Ivan:Downtown"}));
  EXPECT_TRUE(view_.Selected(Control::ListBox1, 1));
  // New answers reorder the list; the selection moves with Bob.
  Answer("10.0.0.4", 10);
  Answer("10.0.0.1", 5);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[5ms] Bob:Downtown", "[10ms] Industrial Ivan:Downtown",
                                               "[*]Eve:Industrial", "[*]Ann:Residential"}));
  EXPECT_TRUE(view_.Selected(Control::ListBox1, 0));
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 2));
  form_->Button1Click();
  EXPECT_EQ(Joined(), std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.1")});
  EXPECT_EQ(view_.ItemStyleAt(Control::ListBox1, 0).colour, app::kFastColour);

  // A game gone from the list takes the selection with it.
  ShowList({servers_[1], servers_[2]});
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 0));
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 1));

  ClickSort(false);
  EXPECT_EQ(Stored(app::kKeySortByTime), "0");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Eve:Industrial", "[*]Ann:Residential"}));
}

TEST_F(GameListViewTest, AFilteredListKeepsThePickedGameAcrossRefreshesWhereverItNowStands) {
  ShowList(servers_);
  TypeFilter("downtown");
  view_.SetSelected(Control::ListBox1, 1, true);  // Industrial Ivan
  // The directory lists the servers in another order now.
  ShowList({servers_[3], servers_[1], servers_[0]});
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Industrial Ivan:Downtown", "[*]Bob:Downtown"}));
  EXPECT_TRUE(view_.Selected(Control::ListBox1, 0));
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 1));
  form_->Button1Click();
  EXPECT_EQ(Joined(), std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.4")});
}

TEST_F(GameListViewTest, FavouritesComeFirstMarkedAndAreStoredAtOnce) {
  ShowList(servers_);
  view_.menu_answer = 0;
  form_->ListBox1ContextMenu(2);  // Ann
  ASSERT_EQ(view_.menus.size(), 1U);
  EXPECT_EQ(view_.menus[0], std::vector<std::string>{"Add to favourites"});
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Ann:Residential", "[*]Bob:Downtown", "[*]Eve:Industrial",
                                               "[*]Industrial Ivan:Downtown"}));
  EXPECT_TRUE(view_.ItemStyleAt(Control::ListBox1, 0).bold);
  EXPECT_FALSE(view_.ItemStyleAt(Control::ListBox1, 1).bold);
  EXPECT_EQ(Stored(app::kKeyFavourites), "Ann");
  DoubleClick(0);
  EXPECT_EQ(Joined(), std::vector<std::vector<std::uint8_t>>{game::WideAddress("10.0.0.3")});

  // Dismissed: nothing changes.
  view_.menu_answer.reset();
  form_->ListBox1ContextMenu(3);
  EXPECT_EQ(Stored(app::kKeyFavourites), "Ann");
  form_->ListBox1ContextMenu(-1);  // no line under the pointer: no menu
  form_->ListBox1ContextMenu(4);
  EXPECT_EQ(view_.menus.size(), 2U);

  // The menu on a favourite offers to remove it.
  view_.menu_answer = 0;
  form_->ListBox1ContextMenu(0);
  EXPECT_EQ(view_.menus.back(), std::vector<std::string>{"Remove from favourites"});
  EXPECT_EQ(Stored(app::kKeyFavourites), "");
  EXPECT_EQ(Lines().front(), "[*]Bob:Downtown");
  EXPECT_FALSE(view_.ItemStyleAt(Control::ListBox1, 0).bold);
}

TEST_F(GameListViewTest, GamesTheDirectoryCouldNotReachAreMarkedOnTheirShownLines) {
  directory::tServerLists lists;
  for (const Server& s : servers_) {
    lists.ServerNames.push_back(s.name);
    lists.Maps.push_back(s.map);
    lists.IPs.push_back(s.ip);
  }
  lists.Unreachable = {false, true, false, true};  // Eve, Industrial Ivan
  TypeFilter("i");                                 // all but Bob
  view_.menu_answer = 0;
  form_->HandleServerList(lists);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]Eve:Industrial", "[*]Ann:Residential",
                                               "[*]Industrial Ivan:Downtown"}));
  EXPECT_EQ(view_.unreachable[Control::ListBox1], (std::set<int>{0, 2}));
  form_->ListBox1ContextMenu(1);  // Ann first: the marks move with their games
  EXPECT_EQ(Lines().front(), "[*]Ann:Residential");
  EXPECT_EQ(view_.unreachable[Control::ListBox1], (std::set<int>{1, 2}));
}

TEST_F(GameListViewTest, StoredOptionsAreTakenAtTheNextStart) {
  const std::string odd = "Bob, the \"best\"\n%\xff";
  ShowList({{"Eve", "Industrial", "10.0.0.2"}, {odd, "Downtown", "10.0.0.1"}});
  view_.menu_answer = 0;
  form_->ListBox1ContextMenu(1);
  ClickSort(true);
  form_->FormClose();
  form_.reset();

  view_ = FakeView();
  Start();
  EXPECT_TRUE(view_.Checked(Control::sortgamesbytime));
  ShowList({{"Eve", "Industrial", "10.0.0.2"}, {odd, "Downtown", "10.0.0.1"}});
  EXPECT_EQ(Lines(), (std::vector<std::string>{"[*]" + odd + ":Downtown", "[*]Eve:Industrial"}));
  EXPECT_TRUE(view_.ItemStyleAt(Control::ListBox1, 0).bold);
}

}  // namespace
}  // namespace lobbyfind::test
