#include "chat/irc_line_buffer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace lobbyfind::chat {
namespace {

using Lines = std::vector<std::string>;

Lines FeedAll(IrcLineBuffer& buffer, const std::vector<std::string>& reads) {
  Lines lines;
  for (const std::string& read : reads) buffer.Feed(read, lines);
  return lines;
}

struct SplitCase {
  const char* name;
  std::vector<std::string> reads;
  Lines expected;
  std::size_t pending;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class LineSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitting, YieldsCompleteLinesAndKeepsTheTail) {
  IrcLineBuffer buffer;
  EXPECT_EQ(FeedAll(buffer, GetParam().reads), GetParam().expected);
  EXPECT_EQ(buffer.PendingBytes(), GetParam().pending);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSplitting,
    ::testing::Values(
        SplitCase{"CrLf", {"PING :1\r\nPING :2\r\n"}, {"PING :1", "PING :2"}, 0},
        SplitCase{"TailKeptForNextRead", {"PING :1\r\nPING :2"}, {"PING :1"}, 7},
        SplitCase{"TailCompletedByNextRead", {"PING :1\r\nPI", "NG :2\r\n"}, {"PING :1", "PING :2"}, 0},
        SplitCase{"CrAndLfInSeparateReads", {"PING :1\r", "\n"}, {"PING :1"}, 0},
        SplitCase{"ByteByByte", {"a", "b", "\r", "\n", "c", "\n"}, {"ab", "c"}, 0},
        SplitCase{"LfAlone", {"PING :1\nPING :2\n"}, {"PING :1", "PING :2"}, 0},
        SplitCase{"MixedEnds", {"a\r\nb\nc\r\n"}, {"a", "b", "c"}, 0},
        SplitCase{"EmptyLines", {"\r\n\n"}, {"", ""}, 0},
        SplitCase{"CrInsideLineKept", {"a\rb\r\n"}, {"a\rb"}, 0},
        SplitCase{"OnlyOneCrStripped", {"a\r\r\n"}, {"a\r"}, 0},
        SplitCase{"NoLineEndAtAll", {"PING :1"}, {}, 7},
        SplitCase{"EmptyRead", {""}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IrcLineBuffer, DropsAnOverlongUnfinishedLineUpToItsEnd) {
  IrcLineBuffer buffer;
  Lines lines;
  const std::string chunk(16 * 1024, 'x');
  for (int i = 0; i < 5; ++i) buffer.Feed(chunk, lines);  // 80 KiB, no end
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(buffer.PendingBytes(), 0u);
  buffer.Feed("still the same line\r\nPING :3\r\n", lines);
  EXPECT_EQ(lines, Lines{"PING :3"});
}

TEST(IrcLineBuffer, KeepsALongLineThatEndsInTime) {
  IrcLineBuffer buffer;
  Lines lines;
  const std::string text(IrcLineBuffer::kMaxLineLength, 'y');
  buffer.Feed(text, lines);
  buffer.Feed("\r\n", lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], text);
}

TEST(IrcLineBuffer, ResetForgetsTheTail) {
  IrcLineBuffer buffer;
  Lines lines;
  buffer.Feed("half a li", lines);
  buffer.Reset();
  buffer.Feed("ne\r\n", lines);
  EXPECT_EQ(lines, Lines{"ne"});
}

}  // namespace
}  // namespace lobbyfind::chat
