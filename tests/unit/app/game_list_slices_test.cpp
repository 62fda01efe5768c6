// A long game list goes into the view in slices over the fake View: order and
// looks as if shown at once, answers and picks meanwhile not lost.
#include <gtest/gtest.h>

#include <set>

#include "app/game_line_look.h"
#include "app/game_list_view_model.h"
#include "fake_ports.h"
#include "fake_view.h"
#include "presence/game_list.h"

namespace lobbyfind::test {
namespace {

using app::Control;
using app::GameListViewModel;

constexpr std::size_t kSlice = GameListViewModel::kLinesPerSlice;

class SlicedGameList : public ::testing::Test {
 protected:
  SlicedGameList() {
    auto timer = std::make_unique<FakeTimer>();
    timer_ = timer.get();
    model_.SetSliceTimer(std::move(timer));
  }
  // `count` servers, every one waiting; server i is "game<i>" on 10.0.<i>.
  void List(std::size_t count) {
    lines_.clear();
    names_.clear();
    maps_.clear();
    ips_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      names_.push_back("game" + std::to_string(i));
      maps_.push_back(i % 3 == 0 ? "Downtown" : "Industrial");
      ips_.push_back("10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));
      lines_.push_back(presence::WaitingLine(names_.back(), maps_.back()));
    }
    model_.ListReplaced(Source());
  }
  [[nodiscard]] app::GameListSource Source() const { return {lines_, names_, maps_, ips_}; }
  // Runs the slices still due; a bounded number of turns.
  void FinishFill() {
    for (int turn = 0; turn < 1000 && timer_->enabled; ++turn) timer_->Tick();
    ASSERT_TRUE(model_.Filled());
  }
  void Answer(std::size_t server, int ms) {
    lines_[server] = presence::AnsweredLine(ms, names_[server], maps_[server]);
    model_.LineChanged(Source(), server);
  }
  [[nodiscard]] std::vector<std::string> Shown() const { return view_.Items(Control::ListBox1); }

  FakeView view_;
  GameListViewModel model_{view_};
  FakeTimer* timer_ = nullptr;
  std::vector<std::string> lines_, names_, maps_, ips_;
};

TEST_F(SlicedGameList, ShortListsGoInAtOnceLongOnesSliceByTurnInTheSameOrderWithTheirLooks) {
  app::Favourites favourites;
  favourites.Toggle("game7");
  favourites.Toggle("game1203");
  struct Case {
    std::size_t servers;
    app::GameListRules rules;
  };
  const Case cases[] = {
      {kSlice, {}},
      {2 * kSlice + 7, {}},
      {2 * kSlice + 7, {"downtown", false, &favourites}},
      {3 * kSlice, {"", true, &favourites}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.servers) + " servers, filter '" + c.rules.filter + "'");
    std::vector<bool> unreachable(c.servers);
    for (std::size_t i = 0; i < c.servers; i += 7) unreachable[i] = true;
    model_.SetUnreachable(unreachable);
    model_.SetRules(Source(), c.rules);
    List(c.servers);
    const auto expected = app::ArrangeServers(Source(), c.rules, {});
    ASSERT_EQ(model_.shown(), expected);
    // A long list's first slice comes on the next turn; until then no line
    // of the old list stands for a server of the new one.
    const bool sliced = expected.size() > kSlice;
    EXPECT_EQ(timer_->enabled, sliced);
    EXPECT_EQ(timer_->interval, 0U);
    if (sliced) {
      EXPECT_FALSE(model_.ServerOfLine(0));
      timer_->Tick();
    }
    EXPECT_EQ(Shown().size(), std::min(kSlice, expected.size()));
    FinishFill();
    const auto shown = Shown();
    ASSERT_EQ(shown.size(), expected.size());
    std::set<int> marked;
    for (std::size_t line = 0; line < expected.size(); ++line) {
      const std::size_t server = expected[line];
      EXPECT_EQ(shown[line], lines_[server]) << line;
      EXPECT_EQ(model_.ServerOfLine(static_cast<int>(line)), server) << line;
      EXPECT_EQ(view_.ItemStyleAt(Control::ListBox1, static_cast<int>(line)),
                app::GameLineStyle(lines_[server], favourites.Contains(names_[server]) && c.rules.favourites))
          << line;
      if (unreachable[server]) marked.insert(static_cast<int>(line));
    }
    EXPECT_EQ(view_.unreachable[Control::ListBox1], marked);
  }
}

TEST_F(SlicedGameList, AnswersDuringTheFillLandOnTheirLinesWhetherAlreadyInTheViewOrNot) {
  List(2 * kSlice + 1);
  timer_->Tick();               // the first slice
  Answer(3, 40);                // a line in the view
  Answer(2 * kSlice, 200);      // the last line, not in the view yet
  EXPECT_EQ(Shown()[3], lines_[3]);
  EXPECT_EQ(view_.ItemStyleAt(Control::ListBox1, 3), app::GameLineStyle(lines_[3], false));
  EXPECT_FALSE(model_.ServerOfLine(static_cast<int>(2 * kSlice)));
  FinishFill();
  const int last = static_cast<int>(2 * kSlice);
  EXPECT_EQ(Shown()[2 * kSlice], "[200ms] game" + std::to_string(2 * kSlice) + ":" + maps_[2 * kSlice]);
  EXPECT_EQ(view_.ItemStyleAt(Control::ListBox1, last), app::GameLineStyle(lines_[2 * kSlice], false));
  EXPECT_EQ(model_.ServerOfLine(last), 2 * kSlice);

  // Sorted by time, an answer during the fill puts its server in its place.
  model_.SetRules(Source(), {"", true, nullptr});
  List(2 * kSlice + 1);
  Answer(2 * kSlice - 1, 5);
  FinishFill();
  EXPECT_EQ(Shown().front(), lines_[2 * kSlice - 1]);
  EXPECT_EQ(Shown().size(), 2 * kSlice + 1);
}

TEST_F(SlicedGameList, ThePickedGameStaysPickedWhenItsLineComesInALaterSlice) {
  List(3 * kSlice);
  FinishFill();
  const int picked = static_cast<int>(2 * kSlice + 5);
  view_.SetSelected(Control::ListBox1, picked, true);
  List(3 * kSlice);  // the refresh: the same servers, every line waiting again
  EXPECT_FALSE(view_.Selected(Control::ListBox1, 0));
  timer_->Tick();
  // A refresh while the picked line is still to come keeps the pick too.
  List(3 * kSlice);
  FinishFill();
  for (int line = 0; line < static_cast<int>(3 * kSlice); ++line)
    EXPECT_EQ(view_.Selected(Control::ListBox1, line), line == picked) << line;

  // A pick the user makes while the fill goes on wins over the kept one.
  List(3 * kSlice);
  timer_->Tick();
  view_.SetSelected(Control::ListBox1, 2, true);
  FinishFill();
  for (int line = 0; line < static_cast<int>(3 * kSlice); ++line)
    EXPECT_EQ(view_.Selected(Control::ListBox1, line), line == 2) << line;
}

}  // namespace
}  // namespace lobbyfind::test
