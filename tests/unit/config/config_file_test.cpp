#include "config/config_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace lobbyfind::config {
namespace {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           (std::string("lobbyfind_config_") + info->name() + "_" + std::to_string(std::random_device{}()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "lobbyfind.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteRaw(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  [[nodiscard]] std::string ReadRaw() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
  std::string path_;
};

TEST(EncodeText, EscapesEveryCharacterThatCouldBreakALine) {
  struct Case {
    std::string plain;
    std::string encoded;
  };
  const Case cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"a&b", "a&#38;b"},
      {"<tag attr='x'>", "&#60;tag attr=&#39;x&#39;&#62;"},
      {"C:\\Games\\GTA2", "C:&#92;Games&#92;GTA2"},
      {"one\ntwo\rthree\r\n", "one\\ntwo\\rthree\\r\\n"},
      {"&#92;", "&#38;#92;"},
      {"\\n", "&#92;n"},
      {"a\x1a" "b", "a&#26;b"},
      {"&#26;", "&#38;#26;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeText(c.plain), c.encoded) << c.plain;
    EXPECT_EQ(DecodeText(c.encoded), c.plain) << c.encoded;
  }
}

TEST(EncodeText, RoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const std::string tricky = all + "&#92;\\n\\r&#38;&&;;\\\\nn";
  const std::string encoded = EncodeText(tricky);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(DecodeText(encoded), tricky);
}

TEST(ParseInteger, AcceptsWhatTheStandardConversionAccepts) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  };
  const Case cases[] = {
      {"5000", true, 5000},      {"0", true, 0},           {"-1", true, -1},
      {"+7", true, 7},           {"  42", true, 42},       {"$1F", true, 31},
      {"0x10", true, 16},        {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},  {"abc", false, 0},        {"", false, 0},
      {"12 ", false, 0},         {"1.5", false, 0},        {"-", false, 0},
      {"99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t n = 123;
    EXPECT_EQ(ParseInteger(c.text, n), c.ok) << c.text;
    EXPECT_EQ(n, c.ok ? c.value : 123) << c.text;
  }
}

TEST(FormatNumber, WholeNumbersHaveNoDecimalSeparator) {
  EXPECT_EQ(FormatNumber(5000), "5000");
  EXPECT_EQ(FormatNumber(1), "1");
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(-4294967295.0), "-4294967295");
  EXPECT_EQ(FormatNumber(0.5), "0.5");
}

TEST_F(ConfigFileTest, MissingFileGivesAnEmptyUsableObject) {
  cConfigFile config(path_);
  EXPECT_FALSE(config.Loaded());
  EXPECT_EQ(config.FileName(), path_);
  EXPECT_TRUE(config.Keys().empty());
  std::string value = "untouched";
  EXPECT_FALSE(config.GetValue("gtadir", value));
  EXPECT_EQ(value, "untouched");
  config.WriteString("gtadir", "C:\\Games\\GTA2");
  config.Save();
  EXPECT_EQ(ReadRaw(), "gtadir\r\nC:&#92;Games&#92;GTA2\r\n");
}

TEST_F(ConfigFileTest, ValuesWithEveryEscapedCharacterSurviveSaveAndLoad) {
  const std::string values[] = {"line1\r\nline2\nline3\rend", "a & b < c > d ' e \\ f",
                                "literal &#92; here", "backslash n: \\n and \\r", ""};
  {
    cConfigFile config(path_);
    for (std::size_t i = 0; i < std::size(values); ++i) {
      config.SetValue("key" + std::to_string(i), values[i]);
    }
    config.Save();
  }
  // Two lines per entry, however many line breaks the values hold.
  const std::string raw = ReadRaw();
  std::size_t lines = 0;
  for (std::size_t p = raw.find("\r\n"); p != std::string::npos; p = raw.find("\r\n", p + 2)) ++lines;
  EXPECT_EQ(lines, 2 * std::size(values));

  cConfigFile reread(path_);
  EXPECT_TRUE(reread.Loaded());
  for (std::size_t i = 0; i < std::size(values); ++i) {
    std::string value;
    ASSERT_TRUE(reread.ReadString("key" + std::to_string(i), value));
    EXPECT_EQ(value, values[i]);
  }
}

TEST_F(ConfigFileTest, LineEndsCtrlZAndOddLineCounts) {
  struct Case {
    const char* name;
    std::string raw;
    std::vector<std::string> keys;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"crlf", "a\r\n1\r\nb\r\n2\r\n", {"a", "b"}, {"1", "2"}},
      {"cr only", "a\r1\rb\r2\r", {"a", "b"}, {"1", "2"}},
      {"lf only", "a\n1\nb\n2\n", {"a", "b"}, {"1", "2"}},
      {"no final line end", "a\r\n1\r\nb\r\n2", {"a", "b"}, {"1", "2"}},
      {"odd count", "a\r\n1\r\nlast\r\n", {"a", "last"}, {"1", ""}},
      {"odd count without end", "a\r\n1\r\nlast", {"a", "last"}, {"1", ""}},
      {"ctrl-z ends the file", "a\r\n1\r\n\x1a" "b\r\n2\r\n", {"a"}, {"1"}},
      {"ctrl-z inside a value", "a\r\n1\x1a" "23\r\n", {"a"}, {"1"}},
      {"empty value", "a\r\n\r\nb\r\n2\r\n", {"a", "b"}, {"", "2"}},
      {"empty file", "", {}, {}},
  };
  for (const auto& c : cases) {
    WriteRaw(c.raw);
    cConfigFile config(path_);
    EXPECT_TRUE(config.Loaded()) << c.name;
    EXPECT_EQ(config.Keys(), c.keys) << c.name;
    EXPECT_EQ(config.Values(), c.values) << c.name;
  }
}

// Found by fuzzing: a value holding Ctrl-Z was stored as it was, and the next
// Load stopped there, losing the rest of that value and every later entry.
TEST_F(ConfigFileTest, AValueHoldingCtrlZSurvivesSaveAndLoadWithTheEntriesAfterIt) {
  cConfigFile config(path_);
  config.WriteString("gtadir", "C:\\Games\x1a" "GTA2");
  config.WriteString("showtimestamp", "1");
  config.Save();
  EXPECT_EQ(ReadRaw().find('\x1a'), std::string::npos);
  cConfigFile reread(path_);
  EXPECT_EQ(reread.Keys(), config.Keys());
  EXPECT_EQ(reread.Values(), config.Values());
}

TEST_F(ConfigFileTest, OddLineCountGetsAnEmptyValueLineOnSave) {
  WriteRaw("gtadir\r\nC:&#92;GTA2\r\nshowtimestamp");
  cConfigFile config(path_);
  config.Save();
  EXPECT_EQ(ReadRaw(), "gtadir\r\nC:&#92;GTA2\r\nshowtimestamp\r\n\r\n");
}

TEST_F(ConfigFileTest, DuplicateKeysReachTheFirstCopyAndBothAreWrittenBack) {
  WriteRaw("gtadir\r\nfirst\r\nx\r\n1\r\ngtadir\r\nsecond\r\n");
  cConfigFile config(path_);
  std::string value;
  ASSERT_TRUE(config.GetValue("gtadir", value));
  EXPECT_EQ(value, "first");
  config.SetValue("gtadir", "changed");
  config.Save();
  EXPECT_EQ(ReadRaw(), "gtadir\r\nchanged\r\nx\r\n1\r\ngtadir\r\nsecond\r\n");
}

TEST_F(ConfigFileTest, KeysAreCaseSensitiveAndNewKeysGoLast) {
  WriteRaw("gtadir\r\nlower\r\nserverlist-refreshs\r\n5000\r\n");
  cConfigFile config(path_);
  config.SetValue("GTADIR", "upper");
  config.WriteNumber("serverlist-refreshs", 20000);
  std::string value;
  ASSERT_TRUE(config.GetValue("gtadir", value));
  EXPECT_EQ(value, "lower");
  ASSERT_TRUE(config.GetValue("GTADIR", value));
  EXPECT_EQ(value, "upper");
  EXPECT_EQ(config.Keys(), (std::vector<std::string>{"gtadir", "serverlist-refreshs", "GTADIR"}));
  config.Save();
  EXPECT_EQ(ReadRaw(), "gtadir\r\nlower\r\nserverlist-refreshs\r\n20000\r\nGTADIR\r\nupper\r\n");
}

TEST_F(ConfigFileTest, WriteNumberAndReadInteger) {
  cConfigFile config(path_);
  config.WriteNumber("showtimestamp", 1);
  config.WriteString("word", "abc");
  config.Save();
  EXPECT_EQ(ReadRaw(), "showtimestamp\r\n1\r\nword\r\nabc\r\n");
  cConfigFile reread(path_);
  std::int32_t n = -5;
  EXPECT_TRUE(reread.ReadInteger("showtimestamp", n));
  EXPECT_EQ(n, 1);
  n = -5;
  EXPECT_FALSE(reread.ReadInteger("word", n));
  EXPECT_FALSE(reread.ReadInteger("missing", n));
  EXPECT_EQ(n, -5);
}

TEST_F(ConfigFileTest, LoadReplacesTheEntries) {
  WriteRaw("a\r\n1\r\n");
  cConfigFile config((dir_ / "other.ini").string());
  config.SetValue("stale", "x");
  EXPECT_TRUE(config.Load(path_));
  EXPECT_EQ(config.FileName(), path_);
  EXPECT_EQ(config.Keys(), std::vector<std::string>{"a"});
}

TEST_F(ConfigFileTest, UnreadablePathIsNotLoaded) {
  cConfigFile config(dir_.string());  // a directory, not a file
  EXPECT_FALSE(config.Loaded());
  EXPECT_TRUE(config.Keys().empty());
}

TEST_F(ConfigFileTest, SaveErrorReachesTheCallerAndKeepsTheOldFile) {
  WriteRaw("a\r\n1\r\n");
  cConfigFile config((dir_ / "no such dir" / "lobbyfind.ini").string());
  config.SetValue("a", "2");
  try {
    config.Save();
    FAIL() << "Save into a missing folder must throw";
  } catch (const ConfigSaveError& e) {
    EXPECT_NE(std::string(e.what()).find("no such dir"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadRaw(), "a\r\n1\r\n");
}

TEST_F(ConfigFileTest, SaveLeavesNoTemporaryFileBehind) {
  cConfigFile config(path_);
  config.SetValue("k", "v");
  config.Save();
  config.Save();
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"lobbyfind.ini"});
}

}  // namespace
}  // namespace lobbyfind::config
