// The Wine prefix registry over sample system.reg files in a temporary prefix.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "game/game_bridge.h"
#include "game/registry_errors.h"
#include "game/registry_procedures.h"
#include "ports/clock.h"
#include "platform/linux/wine_prefix_registry.h"
#include "platform/linux/wine_registry_file.h"
#include "support/posted_work.h"
#include "support/registry_contract.h"

namespace lobbyfind::platform {
namespace {

namespace fs = std::filesystem;
using game::RegistryRoot;
using game::testing_support::RegistryContract;
using game::testing_support::RegistryFactory;
using game::testing_support::RegistryUnderTest;
constexpr auto kRoot = RegistryRoot::kLocalMachine;
constexpr const char* kNetwork = "SOFTWARE\\DMA Design Ltd\\GTA2\\Network";

const std::string kHeader64 =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
const std::string kHeader32 =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n";
const std::string kOtherKeys =
    "\n[Software\\\\Wine] 1700000000\n#time=1da0f2c3e5a8b00\n\"Version\"=\"win10\"\n"
    "\n[System\\\\Select] 1700000000\n#time=1da0f2c3e5a8b00\n\"Current\"=dword:00000001\n";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A fresh prefix directory holding one system.reg.
class TempPrefix {
 public:
  explicit TempPrefix(const std::string& system_reg) {
    char pattern[] = "/tmp/lobbyfind-prefix-XXXXXX";
    dir_ = mkdtemp(pattern);
    if (!system_reg.empty()) std::ofstream(dir_ / "system.reg", std::ios::binary) << system_reg;
  }
  ~TempPrefix() { fs::remove_all(dir_); }
  TempPrefix(const TempPrefix&) = delete;
  TempPrefix& operator=(const TempPrefix&) = delete;
  [[nodiscard]] const fs::path& dir() const { return dir_; }
  [[nodiscard]] std::string Text() const { return ReadAll(dir_ / "system.reg"); }

 private:
  fs::path dir_;
};

bool NoServer(const fs::path&) { return false; }
bool NoRegTool(const fs::path&, const std::vector<std::string>&) { return false; }

class WineUnderTest final : public RegistryUnderTest {
 public:
  explicit WineUnderTest(const std::string& header) : prefix_(header + kOtherKeys), registry_(prefix_.dir(), NoServer, NoRegTool) {}
  game::RegistryBackend& backend() override { return registry_; }

 private:
  TempPrefix prefix_;
  WinePrefixRegistry registry_;
};

INSTANTIATE_TEST_SUITE_P(
    WinePrefix, RegistryContract,
    ::testing::Values(RegistryFactory{"Win64", [] { return std::make_unique<WineUnderTest>(kHeader64); }},
                      RegistryFactory{"Win32", [] { return std::make_unique<WineUnderTest>(kHeader32); }}),
    game::testing_support::PrintFactory);

// Values in every form Wine writes, as the game's key in a 64-bit prefix.
const std::string kGameKey64 =
    "\n[Software\\\\Wow6432Node\\\\DMA Design Ltd\\\\GTA2\\\\Network] 1700000000\n"
    "#time=1da0f2c3e5a8b00\n"
    "\"f_limit\"=dword:0000300c\n"
    "\"PlayerName\"=\"J\\xf6rg \\\"the\\\" \\\\ \\x20ac\\x0030\"\n"
    "\"empty\"=hex(1):\n"
    "\"blank\"=\"\"\n"
    "\"expand\"=str(2):\"%WINDIR%\"\n"
    "\"TCPIPAddrStringd\"=hex:31,00,30,00,2e,00,30,00,2e,00,30,00,2e,00,31,00,00,00,\\\n"
    "  31,00\n"
    "\"broken\"=dword:zz\n"
    "\"after\"=dword:00000002\n";

TEST(WinePrefixRegistry, ReadsEveryValueFormOfTheGamesKeyInTheThirtyTwoBitView) {
  TempPrefix prefix(kHeader64 + kOtherKeys + kGameKey64);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  std::int32_t number = 0;
  std::string text;
  ASSERT_TRUE(game::RegReadInteger(registry, kRoot, kNetwork, "f_limit", number));
  EXPECT_EQ(number, 0x300c);
  ASSERT_TRUE(game::RegReadString(registry, kRoot, kNetwork, "PlayerName", text));
  EXPECT_EQ(text, "J\xF6rg \"the\" \\ \x80" "0");
  ASSERT_TRUE(game::RegReadString(registry, kRoot, kNetwork, "empty", text));
  EXPECT_EQ(text, "");
  text = "x";
  ASSERT_TRUE(game::RegReadString(registry, kRoot, kNetwork, "blank", text));
  EXPECT_EQ(text, "");
  ASSERT_TRUE(game::RegReadString(registry, kRoot, kNetwork, "expand", text));
  EXPECT_EQ(text, "%WINDIR%");
  ASSERT_TRUE(game::RegReadInteger(registry, kRoot, kNetwork, "after", number));
  EXPECT_EQ(number, 2);
  EXPECT_THROW((void)game::RegReadInteger(registry, kRoot, kNetwork, "broken", number), game::RegistryReadError);

  auto key = registry.Open(kRoot, kNetwork, false);
  ASSERT_NE(key, nullptr);
  game::RegistryValue value;
  ASSERT_EQ(key->Query("TCPIPAddrStringd", value), game::QueryStatus::kFound);
  EXPECT_EQ(value.type, game::reg_type::kBinary);
  EXPECT_EQ(value.data.size(), 20U);
  // The 64-bit view's key of the same name is another key.
  EXPECT_EQ(registry.Open(kRoot, "Software\\Wow6432Node\\DMA Design Ltd", false) != nullptr, true);
}

TEST(WinePrefixRegistry, ThirtyTwoBitPrefixKeepsThePathAsItIs) {
  const std::string key32 = "\n[Software\\\\DMA Design Ltd\\\\GTA2\\\\Network] 1700000000\n\"police\"=dword:00000001\n";
  TempPrefix prefix(kHeader32 + key32);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  std::int32_t number = 0;
  ASSERT_TRUE(game::RegReadInteger(registry, kRoot, kNetwork, "police", number));
  EXPECT_EQ(number, 1);
  TempPrefix prefix64(kHeader64 + key32);
  WinePrefixRegistry registry64(prefix64.dir(), NoServer, NoRegTool);
  EXPECT_FALSE(game::RegReadInteger(registry64, kRoot, kNetwork, "police", number));
}

TEST(WinePrefixRegistry, WriteChangesOnlyItsValueLine) {
  const std::string original = kHeader64 + kOtherKeys + kGameKey64;
  TempPrefix prefix(original);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  game::RegWriteInteger(registry, kRoot, kNetwork, "f_limit", 10);
  std::string expected = original;
  expected.replace(expected.find("\"f_limit\"=dword:0000300c"), 24, "\"f_limit\"=dword:0000000a");
  EXPECT_EQ(prefix.Text(), expected);

  game::RegWriteString(registry, kRoot, kNetwork, "TCPIPAddrStringd", "x");
  EXPECT_NE(prefix.Text().find("\"TCPIPAddrStringd\"=\"x\"\n\"broken\""), std::string::npos) << prefix.Text();
  game::RegWriteInteger(registry, kRoot, kNetwork, "new_one", 3);
  EXPECT_NE(prefix.Text().find("\"after\"=dword:00000002\n\"new_one\"=dword:00000003\n"), std::string::npos);
}

TEST(WinePrefixRegistry, NewKeyIsAppendedAsWineWritesIt) {
  TempPrefix prefix(kHeader64 + kOtherKeys);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  game::NoWindows windows;
  ports::SystemClock clock;
  game::GameBridge bridge(registry, windows, clock);
  bridge.SetServerAddress("10.0.0.1", {});
  bridge.SetPlayerName("N\xE9o \"1\"", {});
  const auto text = prefix.Text();
  EXPECT_TRUE(text.starts_with(kHeader64 + kOtherKeys)) << text;
  const auto section = text.find("\n\n[Software\\\\Wow6432Node\\\\DMA Design Ltd\\\\GTA2\\\\Network] ");
  ASSERT_NE(section, std::string::npos) << text;
  EXPECT_NE(text.find("\n#time=", section), std::string::npos);
  EXPECT_NE(text.find("\n\"TCPIPAddrStringd\"=hex:31,00,30,00,2e,00,30,00,2e,00,30,00,2e,00,31,00,00,00\n"
                      "\"TCPIPAddrStrings\"=dword:00000012\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n\"UseConnections\"=dword:00000062\n"), std::string::npos);
  EXPECT_NE(text.find("\n\"PlayerName\"=\"N\\xe9o \\\"1\\\"\"\n"), std::string::npos);
  EXPECT_EQ(bridge.GetPlayerName(), "N\xE9o \"1\"");
  // Only one section for the key, however many values were written.
  EXPECT_EQ(text.find("DMA Design Ltd", text.find("\n", section + 2)), std::string::npos);
}

TEST(WinePrefixRegistry, MissingPrefixReadsEmptyAndRefusesWrites) {
  const fs::path missing = "/tmp/lobbyfind-no-such-prefix";
  WinePrefixRegistry registry(missing, NoServer, NoRegTool);
  std::int32_t number = 5;
  EXPECT_FALSE(game::RegReadInteger(registry, kRoot, kNetwork, "f_limit", number));
  EXPECT_EQ(number, 5);
  EXPECT_THROW(game::RegWriteInteger(registry, kRoot, kNetwork, "f_limit", 1), game::RegistryWriteError);
  EXPECT_FALSE(fs::exists(missing));
  TempPrefix empty_dir("");
  WinePrefixRegistry without_file(empty_dir.dir(), NoServer, NoRegTool);
  EXPECT_THROW(game::RegWriteInteger(without_file, kRoot, kNetwork, "f_limit", 1), game::RegistryWriteError);
  EXPECT_FALSE(fs::exists(empty_dir.dir() / "system.reg"));
}

TEST(WinePrefixRegistry, OnlyTheLocalMachineRootExists) {
  TempPrefix prefix(kHeader64 + kOtherKeys);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  EXPECT_THROW(game::RegWriteInteger(registry, RegistryRoot::kCurrentUser, "Software\\X", "n", 1),
               game::RegistryWriteError);
}

TEST(WinePrefixRegistry, RunningServerGetsTheWriteThroughItsRegTool) {
  const std::string original = kHeader64 + kOtherKeys;
  TempPrefix prefix(original);
  std::vector<std::vector<std::string>> calls;
  bool tool_result = true;
  WinePrefixRegistry registry(
      prefix.dir(), [](const fs::path&) { return true; },
      [&](const fs::path& dir, const std::vector<std::string>& args) {
        EXPECT_EQ(dir, prefix.dir());
        calls.push_back(args);
        return tool_result;
      });
  game::RegWriteInteger(registry, kRoot, kNetwork, "game_type", 2);
  const std::uint8_t bytes[] = {0xE0, 0x5E};
  game::RegWriteBinary(registry, kRoot, kNetwork, "UseProtocold", bytes, 2);
  game::RegWriteString(registry, kRoot, kNetwork, "PlayerName", "J\xF6rg");
  EXPECT_EQ(prefix.Text(), original);
  const std::string key = "HKLM\\SOFTWARE\\Wow6432Node\\DMA Design Ltd\\GTA2\\Network";
  ASSERT_EQ(calls.size(), 3U);
  EXPECT_EQ(calls[0], (std::vector<std::string>{"add", key, "/v", "game_type", "/t", "REG_DWORD", "/d", "2", "/f"}));
  EXPECT_EQ(calls[1],
            (std::vector<std::string>{"add", key, "/v", "UseProtocold", "/t", "REG_BINARY", "/d", "e05e", "/f"}));
  EXPECT_EQ(calls[2], (std::vector<std::string>{"add", key, "/v", "PlayerName", "/t", "REG_SZ", "/d", "J\xC3\xB6rg", "/f"}));
  tool_result = false;
  EXPECT_THROW(game::RegWriteInteger(registry, kRoot, kNetwork, "game_type", 1), game::RegistryWriteError);
}

using test::PostedWork;

std::string Utf16File(const std::u16string& text) {
  std::string bytes;
  for (const char16_t unit : u"\uFEFF" + text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(WinePrefixRegistry, BatchForARunningServerIsOneImportReportedThroughTheEventLoop) {
  const std::string original = kHeader64 + kOtherKeys;
  TempPrefix prefix(original);
  fs::create_directories(prefix.dir() / "drive_c");
  PostedWork posted;
  std::vector<std::vector<std::string>> calls;
  std::vector<std::string> imported;
  bool tool_result = true;
  WinePrefixRegistry registry(
      prefix.dir(), [](const fs::path&) { return true; },
      [&](const fs::path& dir, const std::vector<std::string>& args) {
        calls.push_back(args);
        imported.push_back(ReadAll(dir / "drive_c" / args.at(1).substr(3)));
        return tool_result;
      },
      posted.Poster());
  game::NoWindows windows;
  ports::SystemClock clock;
  game::GameBridge bridge(registry, windows, clock);
  std::vector<bool> outcomes;
  const auto record = [&](std::exception_ptr failure) { outcomes.push_back(failure == nullptr); };
  bridge.SetServerAddress("1.2", record);
  bridge.SetPlayerName("J\xF6rg \"1\"", record);
  EXPECT_TRUE(outcomes.empty()) << "the window's thread does not wait";
  ASSERT_TRUE(posted.RunNext());
  ASSERT_EQ(outcomes, std::vector<bool>{true});
  ASSERT_TRUE(posted.RunNext());
  EXPECT_EQ(outcomes, (std::vector<bool>{true, true}));
  // One import per batch, run in the order given.
  ASSERT_EQ(calls.size(), 2U);
  EXPECT_EQ(calls[0][0], "import");
  EXPECT_TRUE(calls[0][1].starts_with("C:\\lobbyfind-") && calls[0][1].ends_with(".reg")) << calls[0][1];
  EXPECT_EQ(imported[0], Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\DMA Design Ltd\\GTA2\\Network]\r\n"
                                u"\"TCPIPAddrStringd\"=hex:31,00,2e,00,32,00,00,00\r\n"
                                u"\"TCPIPAddrStrings\"=dword:00000008\r\n"
                                u"\"UseProtocold\"=hex:e0,5e,e9,36,77,85,cf,11,96,0c,00,80,c7,53,4e,82\r\n"
                                u"\"UseProtocols\"=dword:00000010\r\n"
                                u"\"UseConnectiond\"=hex:60,f5,18,13,2c,91,d0,11,9d,aa,00,a0,c9,0a,43,cb,04,00,00,00,"
                                u"58,00,00,00,c0,16,d9,07,af,e0,cf,11,9c,4e,00,a0,c9,05,42,5e,10,00,00,00,e0,5e,e9,36,"
                                u"77,85,cf,11,96,0c,00,80,c7,53,4e,82,a0,32,32,e6,bf,9d,d0,11,9c,c1,00,a0,c9,05,42,5e,"
                                u"08,00,00,00,31,00,2e,00,32,00,00,00\r\n"
                                u"\"UseConnections\"=dword:00000058\r\n\r\n"));
  EXPECT_EQ(imported[1], Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\DMA Design Ltd\\GTA2\\Network]\r\n"
                                u"\"PlayerName\"=hex(1):4a,00,f6,00,72,00,67,00,20,00,22,00,31,00,22,00,00,00\r\n\r\n"));
  tool_result = false;
  bridge.SetPolice(true, record);
  ASSERT_TRUE(posted.RunNext());
  EXPECT_EQ(outcomes, (std::vector<bool>{true, true, false}));
  // The file was left to the server, and no import file stays behind.
  EXPECT_EQ(prefix.Text(), original);
  EXPECT_TRUE(fs::is_empty(prefix.dir() / "drive_c"));
}

TEST(WinePrefixRegistry, RefreshReadsTheRunningServersKeyUntilTheServerEnds) {
  TempPrefix prefix(kHeader64 + kOtherKeys + kGameKey64);
  fs::create_directories(prefix.dir() / "drive_c");
  PostedWork posted;
  bool server = true;
  std::vector<std::vector<std::string>> calls;
  WinePrefixRegistry registry(
      prefix.dir(), [&](const fs::path&) { return server; },
      [&](const fs::path& dir, const std::vector<std::string>& args) {
        calls.push_back(args);
        if (args.at(0) == "export") {
          std::ofstream(dir / "drive_c" / args.at(2).substr(3), std::ios::binary)
              << Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                           u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\DMA Design Ltd\\GTA2\\Network]\r\n"
                           u"\"map_index\"=dword:00000003\r\n"
                           u"\"PlayerName\"=\"Zo\u00eb \\\"x\\\" \\\\\"\r\n"
                           u"\"UseProtocold\"=hex:e0,5e,\\\r\n  e9,36\r\n\r\n");
        }
        return true;
      },
      posted.Poster());
  game::NoWindows windows;
  ports::SystemClock clock;
  game::GameBridge bridge(registry, windows, clock);
  int refreshed = 0;
  bridge.RefreshSettings([&] { ++refreshed; });
  bridge.RefreshSettings([&] { ++refreshed; });  // joins the fetch on its way
  std::int32_t index = 0;
  EXPECT_FALSE(bridge.MachineReadInteger(kNetwork, "map_index", index)) << "the file until the fetch is in";
  ASSERT_TRUE(posted.RunNext());
  EXPECT_EQ(refreshed, 2);
  ASSERT_EQ(calls, (std::vector<std::vector<std::string>>{
                       {"export", "HKLM\\SOFTWARE\\Wow6432Node\\DMA Design Ltd\\GTA2\\Network", calls[0].at(2), "/y"}}));
  ASSERT_TRUE(bridge.MachineReadInteger(kNetwork, "map_index", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(bridge.GetPlayerName(), "Zo\xEB \"x\" \\");
  EXPECT_EQ(bridge.GetFragLimit(), 0) << "only the live key counts";
  auto key = registry.Open(kRoot, kNetwork, false);
  game::RegistryValue value;
  ASSERT_EQ(key->Query("UseProtocold", value), game::QueryStatus::kFound);
  EXPECT_EQ(value.data, (std::vector<std::uint8_t>{0xE0, 0x5E, 0xE9, 0x36}));
  // The lobby's own write is seen before the next fetch.
  bridge.SetGameSpeed(2, {});
  ASSERT_TRUE(posted.RunNext());
  EXPECT_EQ(bridge.GetGameSpeed(), 2);
  // Once the server ended, the file is the registry again.
  server = false;
  bridge.RefreshSettings([&] { ++refreshed; });
  EXPECT_EQ(refreshed, 3);
  EXPECT_EQ(bridge.GetFragLimit(), 0x300C);
  EXPECT_TRUE(fs::is_empty(prefix.dir() / "drive_c"));
}

TEST(WinePrefixRegistry, WriteKeepsTheFilesPermissions) {
  TempPrefix prefix(kHeader64);
  chmod((prefix.dir() / "system.reg").c_str(), 0640);
  WinePrefixRegistry registry(prefix.dir(), NoServer, NoRegTool);
  game::RegWriteInteger(registry, kRoot, kNetwork, "n", 1);
  struct stat after {};
  ASSERT_EQ(stat((prefix.dir() / "system.reg").c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 0777, 0640U);
  EXPECT_EQ(std::distance(fs::directory_iterator(prefix.dir()), fs::directory_iterator()), 1);
}

TEST(WinePrefixRegistry, ChoosesConfiguredThenEnvironmentThenHome) {
  const char* saved = std::getenv("WINEPREFIX");
  const std::string saved_value = saved != nullptr ? saved : "";
  setenv("WINEPREFIX", "/env/prefix", 1);
  EXPECT_EQ(WinePrefixRegistry::ChoosePrefix("/configured"), fs::path("/configured"));
  EXPECT_EQ(WinePrefixRegistry::ChoosePrefix(""), fs::path("/env/prefix"));
  unsetenv("WINEPREFIX");
  EXPECT_EQ(WinePrefixRegistry::ChoosePrefix(""), fs::path(std::getenv("HOME")) / ".wine");
  if (saved != nullptr) setenv("WINEPREFIX", saved_value.c_str(), 1);
}

TEST(WinePrefixRegistry, NoServerRunsForAFreshDirectory) {
  TempPrefix prefix(kHeader64);
  EXPECT_FALSE(WinePrefixRegistry::WineServerRunning(prefix.dir()));
}

TEST(WineValueFormat, WritesTheFormsWineWrites) {
  using game::reg_type::kBinary;
  using game::reg_type::kDword;
  using game::reg_type::kExpandSz;
  using game::reg_type::kSz;
  struct Case {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"n", kDword, {0x0c, 0x30, 0, 0}, "\"n\"=dword:0000300c"},
      {"s", kSz, {'a', 0}, "\"s\"=\"a\""},
      {"s", kSz, {0}, "\"s\"=\"\""},
      {"s", kSz, {}, "\"s\"=hex(1):"},
      {"s", kSz, {'a'}, "\"s\"=hex(1):61,00"},
      {"e", kExpandSz, {'%', 0}, "\"e\"=str(2):\"%\""},
      {"b", kBinary, {1, 0xff}, "\"b\"=hex:01,ff"},
      {"b", kBinary, {}, "\"b\"=hex:"},
      {"q\"\\", kDword, {1, 0, 0, 0, 0}, "\"q\\\"\\\\\"=hex(4):01,00,00,00,00"},
      {"", kSz, {'\t', 0xE9, 'a', 0x7F, 0}, "@=\"\\t\\x00e9a\x7F\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatWineValue(c.name, c.type, c.data), c.expected);
  }
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
