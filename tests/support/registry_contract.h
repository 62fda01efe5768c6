// What every registry backend must do for the registry procedures, written
// once and run against each backend (memory, a Wine prefix's registry file,
// the Windows API). A test program includes this header in one source file
// and instantiates the suite with its backends:
//   INSTANTIATE_TEST_SUITE_P(Memory, RegistryContract, testing::Values(factory));
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "game/registry_errors.h"
#include "game/registry_procedures.h"

namespace lobbyfind::game::testing_support {

// One fresh, empty registry for one test; the destructor removes whatever the
// test left behind.
class RegistryUnderTest {
 public:
  virtual ~RegistryUnderTest() = default;
  virtual RegistryBackend& backend() = 0;
};

struct RegistryFactory {
  std::string name;
  std::function<std::unique_ptr<RegistryUnderTest>()> make;
};

// Names the backend in test listings instead of dumping the object's bytes.
inline void PrintTo(const RegistryFactory& factory, std::ostream* out) { *out << factory.name; }

inline std::string PrintFactory(const ::testing::TestParamInfo<RegistryFactory>& info) {
  return info.param.name;
}

class RegistryContract : public ::testing::TestWithParam<RegistryFactory> {
 protected:
  void SetUp() override { under_test_ = GetParam().make(); }
  void TearDown() override { under_test_.reset(); }
  RegistryBackend& reg() { return under_test_->backend(); }
  static constexpr RegistryRoot kRoot = RegistryRoot::kLocalMachine;
  // Below a key no real program uses, so a shared registry is not disturbed.
  static constexpr const char* kBase = "SOFTWARE\\lobbyfind test\\Contract";
  static std::string Path(const std::string& below) { return std::string(kBase) + "\\" + below; }

  bool KeyExists(const std::string& path) { return reg().Open(kRoot, path, false) != nullptr; }

 private:
  std::unique_ptr<RegistryUnderTest> under_test_;
};

TEST_P(RegistryContract, ReadUnderMissingPathReturnsFalseAndCreatesNothing) {
  std::string text = "untouched";
  std::int32_t number = 4711;
  EXPECT_FALSE(RegReadString(reg(), kRoot, Path("Missing\\Deeper"), "name", text));
  EXPECT_FALSE(RegReadInteger(reg(), kRoot, Path("Missing\\Deeper"), "name", number));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(number, 4711);
  EXPECT_FALSE(KeyExists(Path("Missing")));
}

TEST_P(RegistryContract, MissingValueInExistingKeyReturnsFalse) {
  RegWriteInteger(reg(), kRoot, Path("Key"), "other", 1);
  std::string text = "untouched";
  EXPECT_FALSE(RegReadString(reg(), kRoot, Path("Key"), "name", text));
  EXPECT_EQ(text, "untouched");
}

TEST_P(RegistryContract, WriteCreatesTheWholePath) {
  RegWriteInteger(reg(), kRoot, Path("A\\B\\C"), "value", 12);
  EXPECT_TRUE(KeyExists(Path("A")));
  EXPECT_TRUE(KeyExists(Path("A\\B")));
  std::int32_t number = 0;
  ASSERT_TRUE(RegReadInteger(reg(), kRoot, Path("A\\B\\C"), "value", number));
  EXPECT_EQ(number, 12);
}

TEST_P(RegistryContract, LeadingBackslashAndCaseOfNamesDoNotMatter) {
  RegWriteString(reg(), kRoot, "\\" + Path("Case"), "PlayerName", "Mike");
  std::string text;
  ASSERT_TRUE(RegReadString(reg(), kRoot, Path("CASE"), "playername", text));
  EXPECT_EQ(text, "Mike");
}

TEST_P(RegistryContract, ZeroLengthStringReadsAsEmpty) {
  {
    auto key = reg().Open(kRoot, Path("Empty"), true);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->Set("empty", reg_type::kSz, {}));
  }
  std::string text = "untouched";
  ASSERT_TRUE(RegReadString(reg(), kRoot, Path("Empty"), "empty", text));
  EXPECT_EQ(text, "");
  RegWriteString(reg(), kRoot, Path("Empty"), "written", "");
  text = "untouched";
  ASSERT_TRUE(RegReadString(reg(), kRoot, Path("Empty"), "written", text));
  EXPECT_EQ(text, "");
}

TEST_P(RegistryContract, StringsKeepEveryByte) {
  const std::vector<std::string> texts = {"plain", "quote \" and back\\slash", "J\xF6rg \xE9t\xE9 \x80\x9F",
                                          "[brackets]", "line\tand tab"};
  for (const auto& written : texts) {
    RegWriteString(reg(), kRoot, Path("Strings"), "text", written);
    std::string read;
    ASSERT_TRUE(RegReadString(reg(), kRoot, Path("Strings"), "text", read));
    EXPECT_EQ(read, written);
  }
}

TEST_P(RegistryContract, IntegersRoundTripWithSign) {
  for (const std::int32_t written : {0, 1, 65535, -1, INT32_MIN, INT32_MAX}) {
    RegWriteInteger(reg(), kRoot, Path("Numbers"), "n", written);
    std::int32_t read = 17;
    ASSERT_TRUE(RegReadInteger(reg(), kRoot, Path("Numbers"), "n", read));
    EXPECT_EQ(read, written);
  }
}

TEST_P(RegistryContract, BinaryStoresExactlyTheGivenBytes) {
  const std::vector<std::uint8_t> bytes = {0x00, 0x01, 0xFF, 0x7F, 0x80, 0x00};
  RegWriteBinary(reg(), kRoot, Path("Binary"), "data", bytes.data(), bytes.size());
  RegWriteBinary(reg(), kRoot, Path("Binary"), "none", bytes.data(), 0);
  auto key = reg().Open(kRoot, Path("Binary"), false);
  ASSERT_NE(key, nullptr);
  RegistryValue value;
  ASSERT_EQ(key->Query("data", value), QueryStatus::kFound);
  EXPECT_EQ(value.type, reg_type::kBinary);
  EXPECT_EQ(value.data, bytes);
  ASSERT_EQ(key->Query("none", value), QueryStatus::kFound);
  EXPECT_EQ(value.type, reg_type::kBinary);
  EXPECT_TRUE(value.data.empty());
}

TEST_P(RegistryContract, IntegerStoredAsStringIsTheWrongType) {
  for (const char* stored : {"1", "12345"}) {
    RegWriteString(reg(), kRoot, Path("Types"), "game_type", stored);
    std::int32_t number = 3;
    try {
      (void)RegReadInteger(reg(), kRoot, Path("Types"), "game_type", number);
      ADD_FAILURE() << "no error for \"" << stored << "\"";
    } catch (const RegistryTypeError& error) {
      EXPECT_STREQ(error.what(), "Ungültiger Datentyp für 'game_type'");
    }
    EXPECT_EQ(number, 3);
  }
}

TEST_P(RegistryContract, StringReadOfOtherTypesIsTheWrongType) {
  RegWriteInteger(reg(), kRoot, Path("Types"), "number", 1);
  const std::uint8_t byte = 'x';
  RegWriteBinary(reg(), kRoot, Path("Types"), "binary", &byte, 1);
  std::string text;
  EXPECT_THROW((void)RegReadString(reg(), kRoot, Path("Types"), "number", text), RegistryTypeError);
  EXPECT_THROW((void)RegReadString(reg(), kRoot, Path("Types"), "binary", text), RegistryTypeError);
}

TEST_P(RegistryContract, ExpandableStringsReadUnexpanded) {
  {
    auto key = reg().Open(kRoot, Path("Expand"), true);
    ASSERT_NE(key, nullptr);
    const std::string stored = "%WINDIR%\\x";
    std::vector<std::uint8_t> data(stored.begin(), stored.end());
    data.push_back(0);
    ASSERT_TRUE(key->Set("path", reg_type::kExpandSz, data));
  }
  std::string text;
  ASSERT_TRUE(RegReadString(reg(), kRoot, Path("Expand"), "path", text));
  EXPECT_EQ(text, "%WINDIR%\\x");
}

TEST_P(RegistryContract, IntegerWrittenOverStringReplacesIt) {
  RegWriteString(reg(), kRoot, Path("Replace"), "f_limit", "ten");
  RegWriteInteger(reg(), kRoot, Path("Replace"), "f_limit", 10);
  std::int32_t number = 0;
  ASSERT_TRUE(RegReadInteger(reg(), kRoot, Path("Replace"), "f_limit", number));
  EXPECT_EQ(number, 10);
  std::string text;
  EXPECT_THROW((void)RegReadString(reg(), kRoot, Path("Replace"), "f_limit", text), RegistryTypeError);
}

}  // namespace lobbyfind::game::testing_support
