// The user hears once per hosting that the directory cannot reach the game
// hosted here, and only about that game.
#include <gtest/gtest.h>

#include "app/own_game_reachability.h"

namespace lobbyfind::test {
namespace {

using directory::tServerLists;

tServerLists ListOf(std::vector<std::string> names, std::vector<bool> unreachable) {
  tServerLists lists;
  lists.ServerNames = std::move(names);
  lists.Unreachable = std::move(unreachable);
  return lists;
}

TEST(OwnGameReachability, OneLinePerHostingOnlyForTheOwnUnreachableGame) {
  const tServerLists own_unreachable = ListOf({"bob", "anna"}, {false, true});
  const tServerLists own_reachable = ListOf({"bob", "anna"}, {true, false});
  const tServerLists own_unchecked = ListOf({"bob", "anna"}, {});
  const tServerLists own_missing = ListOf({"bob"}, {true});
  struct Step {
    const char* what;
    const tServerLists* lists;
    bool hosting;
    bool told;
  };
  const Step steps[] = {
      {"not hosting: another's unreachable game is no concern", &own_unreachable, false, false},
      {"hosting, not listed yet", &own_missing, true, false},
      {"hosting, the directory did not check", &own_unchecked, true, false},
      {"hosting, reachable", &own_reachable, true, false},
      {"hosting, unreachable: told", &own_unreachable, true, true},
      {"still unreachable: not again", &own_unreachable, true, false},
      {"reachable for a while", &own_reachable, true, false},
      {"unreachable again in the same hosting", &own_unreachable, true, false},
      {"the hosting ended", &own_unreachable, false, false},
      {"a new hosting, unreachable: told again", &own_unreachable, true, true},
  };
  app::OwnGameReachability rule;
  for (const auto& step : steps) {
    EXPECT_EQ(rule.Observe(*step.lists, step.hosting, "anna"), step.told) << step.what;
  }
  app::OwnGameReachability nameless;
  EXPECT_FALSE(nameless.Observe(ListOf({""}, {true}), true, "")) << "no nickname, no own game";
}

}  // namespace
}  // namespace lobbyfind::test
