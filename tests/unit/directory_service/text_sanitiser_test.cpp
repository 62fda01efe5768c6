#include "text_sanitiser.h"

#include <gtest/gtest.h>

namespace lobbyfind::directory_service {
namespace {

TEST(SanitiseText, KeepsTheReplySyntaxIntact) {
  const struct {
    std::string in;
    std::size_t max;
    std::string out;
  } cases[] = {
      {"Anna", 64, "Anna"},
      {"</servername><ip>6.6.6.6</ip>", 64, "(/servername)(ip)6.6.6.6(/ip)"},
      {"a\r\nb\tc\x7f" "d", 64, "abcd"},
      {std::string("nul\0here", 8), 64, "nulhere"},
      {"M\xE4rz & Co", 64, "M\xE4rz & Co"},  // 8-bit text and "&" pass as they are
      {"abcdef", 4, "abcd"},
      {"\x01\x02" "abcdef", 4, "abcd"},  // dropped bytes do not count against the bound
      {"", 64, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SanitiseText(c.in, c.max), c.out) << c.in;
}

TEST(SanitiseText, CutsLongNamesToTheBound) {
  const std::string long_name(300, 'x');
  EXPECT_EQ(SanitiseText(long_name, 64).size(), 64u);
}

}  // namespace
}  // namespace lobbyfind::directory_service
