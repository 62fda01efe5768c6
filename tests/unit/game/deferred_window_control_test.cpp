#include "game/deferred_window_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game_bridge.h"
#include "game/memory_registry.h"
#include "ports/clock.h"

namespace lobbyfind::game {
namespace {

// Every title asked to end, and the one window that exists (owned by the
// program `owner`).
class TitleLog final : public WindowControl {
 public:
  std::string open_title;
  std::string owner;
  std::vector<std::string> asked;
  bool IsWindowOpen(std::string_view title, const ProgramTest& is_game) override {
    return title == open_title && is_game(owner);
  }
  bool KillWindowProcess(std::string_view title, const ProgramTest& is_game) override {
    asked.emplace_back(title);
    if (!IsWindowOpen(title, is_game)) return false;
    open_title.clear();
    return true;
  }
};

class DeferredWindowControlTest : public ::testing::Test {
 protected:
  DeferredWindowControlTest() { game_.UseGtaDir("C:\\Games\\GTA2"); }
  MemoryRegistry registry_;
  ports::SystemClock clock_;
  TitleLog inner_;
  DeferredWindowControl deferred_{inner_};
  GameBridge game_{registry_, deferred_, clock_};
};

TEST_F(DeferredWindowControlTest, TheStartUpCloseWaitsForReleaseAndThenRunsInOrderWithTheGameCheck) {
  inner_.open_title = "GTA2";
  inner_.owner = "C:\\Games\\GTA2\\gta2.exe";
  game_.CloseGameWindows();
  EXPECT_TRUE(inner_.asked.empty());
  EXPECT_FALSE(deferred_.Released());
  // A question is answered at once, not held back.
  EXPECT_TRUE(game_.IsPlaying());

  deferred_.Release();
  EXPECT_EQ(inner_.asked, (std::vector<std::string>{"GTA2 en red", "Network GTA2", "Netzwerk GTA2", "GTA2 Manager",
                                                    "GTA2"}));
  EXPECT_TRUE(inner_.open_title.empty()) << "the game's window was not ended";
  // A second release repeats nothing.
  deferred_.Release();
  EXPECT_EQ(inner_.asked.size(), 5U);
}

TEST_F(DeferredWindowControlTest, AfterReleaseRequestsGoStraightThroughWithTheirResult) {
  deferred_.Release();
  inner_.open_title = "GTA2";
  inner_.owner = "C:\\Games\\GTA2\\gta2.exe";
  EXPECT_TRUE(deferred_.KillWindowProcess("GTA2", [](std::string_view) { return true; }));
  EXPECT_EQ(inner_.asked, (std::vector<std::string>{"GTA2"}));
  EXPECT_FALSE(deferred_.KillWindowProcess("GTA2", [](std::string_view) { return true; }));
}

TEST_F(DeferredWindowControlTest, AnOtherProgramsWindowIsLeftAloneWhenReleased) {
  inner_.open_title = "GTA2";
  inner_.owner = "C:\\Windows\\explorer.exe";
  game_.CloseGameWindows();
  deferred_.Release();
  EXPECT_EQ(inner_.asked.size(), 5U);
  EXPECT_EQ(inner_.open_title, "GTA2");
}

}  // namespace
}  // namespace lobbyfind::game
