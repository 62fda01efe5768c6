#include "game/map_catalogue.h"
#include "game/map_order.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace lobbyfind::game {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A game directory of its own for every test, removed afterwards.
class MapCatalogueTest : public ::testing::Test {
 protected:
  MapCatalogueTest() {
    std::random_device random;
    gta_dir = fs::temp_directory_path() / ("lobbyfind-maps-" + std::to_string(random()));
    fs::create_directories(gta_dir / "data");
  }
  ~MapCatalogueTest() override {
    std::error_code ignored;
    fs::remove_all(gta_dir, ignored);
  }

  fs::path Write(const std::string& name, const std::string& content) {
    const fs::path path = gta_dir / "data" / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fs::path MapWithDescription(const std::string& name, const std::string& description) {
    return Write(name, "[MapFiles]\r\nGMPFile = " + name + ".gmp\r\nDescription = " + description + "\r\n");
  }

  fs::path gta_dir;
};

TEST_F(MapCatalogueTest, ReadsEveryKeyOfAMapFile) {
  const fs::path path = Write("wil.mmp",
                              "[MapFiles]\r\n"
                              "GMPFile = wil.gmp\r\n"
                              "STYFile = wil.sty\r\n"
                              "SCRFile = wil.scr\r\n"
                              "Description = Downtown\r\n"
                              "PlayerCount = 6\r\n");
  const tMapFile expected{true, "wil.gmp", "wil.sty", " wil.scr", "Downtown", 6};
  EXPECT_EQ(ReadMapFile(path), expected);
}

TEST_F(MapCatalogueTest, PrefixesMatchExactlyWithTheirSpaces) {
  struct Case {
    const char* line;
    tMapFile expected;
  };
  const std::vector<Case> cases = {
      {"Description =Docks", {true, "", "", "", "", 0}},
      {"Description  = Docks", {true, "", "", "", "", 0}},
      {"description = Docks", {true, "", "", "", "", 0}},
      {"Description = Docks ", {true, "", "", "", "Docks ", 0}},
      {"Description = ", {true, "", "", "", "", 0}},
      {"SCRFile =x.scr", {true, "", "", "x.scr", "", 0}},
      {"SCRFile = x.scr", {true, "", "", " x.scr", "", 0}},
      {" GMPFile = a.gmp", {true, "", "", "", "", 0}},
      {"STYFile = a = b", {true, "", "a = b", "", "", 0}},
      {"PlayerCount = -3", {true, "", "", "", "", -3}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadMapFile(Write("case.mmp", std::string(c.line) + "\n")), c.expected) << c.line;
  }
}

TEST_F(MapCatalogueTest, LastOccurrenceOfAKeyWins) {
  const fs::path path = Write("two.mmp", "Description = First\nGMPFile = a\nDescription = Second\n");
  EXPECT_EQ(ReadMapFile(path).Description, "Second");
}

TEST_F(MapCatalogueTest, PlayerCountThatIsNoNumberStopsReading) {
  for (const char* count : {"six", "6 players", "", "99999999999"}) {
    const fs::path path =
        Write("bad.mmp", std::string("GMPFile = a.gmp\nPlayerCount = ") + count + "\nDescription = Later\n");
    const tMapFile map = ReadMapFile(path);
    EXPECT_FALSE(map.Valid) << count;
    EXPECT_EQ(map.GMPFile, "a.gmp") << count;
    EXPECT_EQ(map.Description, "") << count;
  }
}

TEST_F(MapCatalogueTest, MissingFileIsNotValid) {
  EXPECT_FALSE(ReadMapFile(gta_dir / "data" / "none.mmp").Valid);
}

TEST_F(MapCatalogueTest, CatalogueIsSortedIgnoringCase) {
  MapWithDescription("a.mmp", "Downtown");
  MapWithDescription("b.mmp", "bay area");
  MapWithDescription("c.mmp", "Airport");
  EXPECT_EQ(MapCatalogue(gta_dir), (Names{"Airport", "bay area", "Downtown"}));
  EXPECT_EQ(GetCurrentMapName(1, gta_dir), "bay area");
  EXPECT_EQ(GetCurrentMapName(0, gta_dir), "Airport");
  EXPECT_EQ(GetCurrentMapName(3, gta_dir), "|error|");
  EXPECT_EQ(GetCurrentMapName(4294967295U, gta_dir), "|error|");
}

// The order of a Western Windows locale, not of the bytes: each list is
// sorted as the game's list is.
TEST(CompareMapNames, SortsAsTheLocaleDoes) {
  const std::vector<Names> sorted = {
      // Symbols before digits before letters, whatever their byte value.
      {"_Arena", "~Tilde", "10 Downtown", "2 Docks", "Airport", "Zoo"},
      // Accented letters beside their base letter, after it when all else is equal.
      {"Arena", "\xC4rger im Hafen", "Bay", "Cafe", "Caf\xE9", "Oslo", "\xD6sterreich", "Zoo"},
      {"Strasse", "Stra\xDF" "e", "Strasset"},
      // Hyphens and apostrophes count last.
      {"coop", "co-op", "Coopers", "Joe's Bar", "Joes Place"},
  };
  for (const auto& names : sorted) {
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
      EXPECT_LT(CompareMapNames(names[i], names[i + 1]), 0) << names[i] << " < " << names[i + 1];
      EXPECT_GT(CompareMapNames(names[i + 1], names[i]), 0) << names[i + 1] << " > " << names[i];
    }
  }
  EXPECT_EQ(CompareMapNames("DOCKS", "docks"), 0);
  EXPECT_EQ(CompareMapNames("\xC4RGER", "\xE4rger"), 0);
}

TEST_F(MapCatalogueTest, DescriptionsDifferingOnlyInCaseMakeOneEntry) {
  MapWithDescription("docks1.mmp", "Docks");
  MapWithDescription("docks2.mmp", "DOCKS");
  MapWithDescription("zoo.mmp", "Zoo");
  const Names catalogue = MapCatalogue(gta_dir);
  ASSERT_EQ(catalogue.size(), 2U);
  EXPECT_TRUE(catalogue[0] == "Docks" || catalogue[0] == "DOCKS");
  EXPECT_EQ(catalogue[1], "Zoo");
  EXPECT_EQ(GetCurrentMapName(1, gta_dir), "Zoo");
  EXPECT_EQ(GetCurrentMapName(2, gta_dir), "|error|");
}

TEST_F(MapCatalogueTest, MissingDescriptionSortsFirstOnce) {
  MapWithDescription("a.mmp", "Airport");
  Write("x.mmp", "GMPFile = x.gmp\n");
  Write("y.mmp", "PlayerCount = many\nDescription = never read\n");
  EXPECT_EQ(MapCatalogue(gta_dir), (Names{"", "Airport"}));
  EXPECT_EQ(GetCurrentMapName(0, gta_dir), "");
}

TEST_F(MapCatalogueTest, OnlyVisibleMapFilesCount) {
  MapWithDescription("a.mmp", "Airport");
  MapWithDescription("b.MMP", "Bay");
  MapWithDescription(".hidden.mmp", "Hidden");
  MapWithDescription("notes.txt", "Text");
  MapWithDescription("a.mmp.bak", "Backup");
  fs::create_directories(gta_dir / "data" / "folder.mmp");
  EXPECT_EQ(MapCatalogue(gta_dir), (Names{"Airport", "Bay"}));
}

TEST_F(MapCatalogueTest, NoMapIndexGivesEmptyTextAndNoDataFolderGivesError) {
  MapWithDescription("a.mmp", "Airport");
  EXPECT_EQ(GetCurrentMapName(std::nullopt, gta_dir), "");
  fs::remove_all(gta_dir / "data");
  EXPECT_TRUE(MapCatalogue(gta_dir).empty());
  EXPECT_EQ(GetCurrentMapName(0, gta_dir), "|error|");
}

}  // namespace
}  // namespace lobbyfind::game
