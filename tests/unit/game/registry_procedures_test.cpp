// The registry procedures over the in-memory registry: the shared contract,
// plus the failures only the in-memory registry can inject.
#include "game/memory_registry.h"

#include <optional>

#include "game/registry_procedures.h"
#include "support/registry_contract.h"

namespace lobbyfind::game {
namespace {

using testing_support::RegistryContract;
using testing_support::RegistryFactory;
using testing_support::RegistryUnderTest;

class MemoryUnderTest final : public RegistryUnderTest {
 public:
  RegistryBackend& backend() override { return registry_; }

 private:
  MemoryRegistry registry_;
};

INSTANTIATE_TEST_SUITE_P(Memory, RegistryContract,
                         ::testing::Values(RegistryFactory{
                             "Memory", [] { return std::make_unique<MemoryUnderTest>(); }}),
                         testing_support::PrintFactory);

constexpr auto kProcedureRoot = RegistryRoot::kLocalMachine;
constexpr const char* kKey = "SOFTWARE\\Test";

TEST(MemoryRegistryFailures, KeyReadableButNotWritableReadsAsAbsentAndRefusesWrites) {
  MemoryRegistry registry;
  registry.PutDword(kProcedureRoot, kKey, "police", 1);
  registry.MakeReadOnly(kProcedureRoot, kKey);
  std::int32_t number = 9;
  EXPECT_FALSE(RegReadInteger(registry, kProcedureRoot, kKey, "police", number));
  EXPECT_EQ(number, 9);
  try {
    RegWriteInteger(registry, kProcedureRoot, kKey, "police", 0);
    FAIL() << "write to a read-only key succeeded";
  } catch (const RegistryWriteError& error) {
    EXPECT_STREQ(error.what(), "Konnte Daten für 'police' nicht setzen");
    EXPECT_EQ(error.value_name(), "police");
  }
  EXPECT_EQ(registry.Find(kProcedureRoot, kKey, "police")->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
}

TEST(MemoryRegistryFailures, NewSubkeyBelowReadOnlyKeyCannotBeCreated) {
  MemoryRegistry registry;
  registry.MakeReadOnly(kProcedureRoot, kKey);
  EXPECT_THROW(RegWriteString(registry, kProcedureRoot, std::string(kKey) + "\\Sub", "x", "y"), RegistryWriteError);
  EXPECT_FALSE(registry.KeyExists(kProcedureRoot, std::string(kKey) + "\\Sub"));
}

TEST(MemoryRegistryFailures, UndeliverableDataIsAReadError) {
  MemoryRegistry registry;
  registry.PutDword(kProcedureRoot, kKey, "f_limit", 5);
  registry.PutString(kProcedureRoot, kKey, "PlayerName", "x");
  registry.MakeUnreadable(kProcedureRoot, kKey, "f_limit");
  registry.MakeUnreadable(kProcedureRoot, kKey, "PlayerName");
  std::int32_t number = 0;
  std::string text;
  try {
    (void)RegReadInteger(registry, kProcedureRoot, kKey, "f_limit", number);
    FAIL() << "no error";
  } catch (const RegistryReadError& error) {
    EXPECT_STREQ(error.what(), "Konnte Daten für 'f_limit' nicht holen");
  }
  EXPECT_THROW((void)RegReadString(registry, kProcedureRoot, kKey, "PlayerName", text), RegistryReadError);
}

TEST(MemoryRegistryFailures, DwordOfOtherThanFourBytesIsAReadError) {
  MemoryRegistry registry;
  registry.Put(kProcedureRoot, kKey, "long", reg_type::kDword, {1, 2, 3, 4, 5, 6, 7, 8});
  registry.Put(kProcedureRoot, kKey, "short", reg_type::kDword, {1, 2});
  std::int32_t number = 0;
  EXPECT_THROW((void)RegReadInteger(registry, kProcedureRoot, kKey, "long", number), RegistryReadError);
  EXPECT_THROW((void)RegReadInteger(registry, kProcedureRoot, kKey, "short", number), RegistryReadError);
  registry.Put(kProcedureRoot, kKey, "qword", reg_type::kQword, {1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_THROW((void)RegReadInteger(registry, kProcedureRoot, kKey, "qword", number), RegistryTypeError);
}

TEST(MemoryRegistryFailures, StringIsCutAtItsFirstZeroAndNeedNotBeTerminated) {
  MemoryRegistry registry;
  registry.Put(kProcedureRoot, kKey, "cut", reg_type::kSz, {'a', 'b', 0, 'c', 0});
  registry.Put(kProcedureRoot, kKey, "bare", reg_type::kSz, {'a', 'b'});
  std::string text;
  ASSERT_TRUE(RegReadString(registry, kProcedureRoot, kKey, "cut", text));
  EXPECT_EQ(text, "ab");
  ASSERT_TRUE(RegReadString(registry, kProcedureRoot, kKey, "bare", text));
  EXPECT_EQ(text, "ab");
}

TEST(MemoryRegistryFailures, RootsAreSeparate) {
  MemoryRegistry registry;
  RegWriteInteger(registry, RegistryRoot::kCurrentUser, kKey, "n", 1);
  std::int32_t number = 0;
  EXPECT_FALSE(RegReadInteger(registry, kProcedureRoot, kKey, "n", number));
}

TEST(WriteBatch, WritesInOrderAndStopsAtTheFirstFailure) {
  MemoryRegistry registry;
  registry.FailWritesOf("c");
  std::vector<std::optional<std::string>> outcomes;
  const auto record = [&](std::optional<std::string> failed) { outcomes.push_back(std::move(failed)); };
  registry.WriteBatch(kProcedureRoot, {{kKey, "a", IntegerValue(-5)}, {kKey, "b", StringValue("text")}}, record);
  registry.WriteBatch(kProcedureRoot, {{kKey, "b", BinaryValue("\x09\x08", 2)}, {kKey, "c", IntegerValue(1)},
                              {kKey, "d", IntegerValue(2)}}, record);
  EXPECT_EQ(outcomes, (std::vector<std::optional<std::string>>{std::nullopt, "c"}));
  std::int32_t number = 0;
  ASSERT_TRUE(RegReadInteger(registry, kProcedureRoot, kKey, "a", number));
  EXPECT_EQ(number, -5);
  // The value before the failure stays, the one after it is never written.
  EXPECT_EQ(registry.Find(kProcedureRoot, kKey, "b")->data, (std::vector<std::uint8_t>{9, 8}));
  EXPECT_FALSE(registry.Find(kProcedureRoot, kKey, "d").has_value());
}

}  // namespace
}  // namespace lobbyfind::game
