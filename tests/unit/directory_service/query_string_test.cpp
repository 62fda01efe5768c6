#include "query_string.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(UrlDecode, DecodesFormEncoding) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"My+Game", "My Game"},
      {"a%26b", "a&b"},
      {"%3Cb%3E", "<b>"},
      {"%2f%2F", "//"},
      {"%2B", "+"},
      {"%E4", "\xE4"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlDecode(c.in), std::string(c.out)) << c.in;
  EXPECT_EQ(UrlDecode(std::string_view("%00", 3)), std::string(1, '\0'));
}

TEST(UrlDecode, RefusesBrokenPercentSequences) {
  for (const char* in : {"%", "%4", "a%", "%G1", "%1G", "%%41"}) EXPECT_EQ(UrlDecode(in), std::nullopt) << in;
}

TEST(QueryString, SplitsPairsInOrderAndFindsFirstValue) {
  const auto q = QueryString::Parse("GIVEME=ADDSERVER&SERVERNAME=My+Game&PORT=2300&&PORT=1&FLAG&MAP=");
  ASSERT_TRUE(q);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"GIVEME", "ADDSERVER"}, {"SERVERNAME", "My Game"}, {"PORT", "2300"}, {"PORT", "1"}, {"FLAG", ""}, {"MAP", ""}};
  EXPECT_EQ(q->Pairs(), expected);
  EXPECT_EQ(q->Value("PORT"), "2300");
  EXPECT_EQ(q->Value("MAP"), "");
  EXPECT_EQ(q->Value("port"), std::nullopt);  // keys are case-sensitive
  EXPECT_EQ(q->Value("VERSION"), std::nullopt);
}

TEST(QueryString, EncodedSeparatorsStayInsideValues) {
  const auto q = QueryString::Parse("MAP=a%26b%3Dc");
  ASSERT_TRUE(q);
  EXPECT_EQ(q->Value("MAP"), "a&b=c");
}

TEST(QueryString, BrokenEncodingAnywhereFailsTheWhole) {
  EXPECT_FALSE(QueryString::Parse("GIVEME=SERVERS&MAP=%zz"));
  EXPECT_FALSE(QueryString::Parse("%=1"));
  EXPECT_TRUE(QueryString::Parse(""));
}

}  // namespace
}  // namespace lobbyfind::directory_service
