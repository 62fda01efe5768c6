#include "app/spin_box.h"

#include <gtest/gtest.h>

#include <string>

namespace lobbyfind::app {
namespace {

struct StepCase {
  const char* text;
  int steps;
  std::int32_t expected;
};

// The arrows of both editions' spin boxes follow this rule, so its edges are
// pinned here: a range of 5000..60000 like the refresh box.
TEST(SpinBoxStep, StepsFromTheTypedValueAndStaysInsideTheRange) {
  const SpinRange range{5000, 60000, 5000};
  const StepCase cases[] = {
      {"7000", 1, 7001},
      {"7000", -1, 6999},
      {" 7000", 1, 7001},      // blanks before the number are allowed
      {"abc", 1, 5001},        // no number: from the minimum
      {"", -1, 5000},          // ... and never below it
      {"60000", 1, 60000},     // the top holds
      {"70000", 1, 60000},     // a typed value above the range comes back in
      {"100", 1, 5000},        // ... and one below it too
      {"99999999999", 1, 5001} // out of int range: no integer, the minimum
  };
  for (const StepCase& c : cases) {
    EXPECT_EQ(SpinBoxStep(c.text, range, c.steps), c.expected) << '"' << c.text << "\" " << c.steps;
  }
}

}  // namespace
}  // namespace lobbyfind::app
