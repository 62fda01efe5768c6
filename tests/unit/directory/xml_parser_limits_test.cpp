// How far the reply parser follows a document: content nested too deep or
// under too long a path is skipped, and the recorded paths have a total size,
// so that a broken or hostile reply of the largest size the HTTP layer
// accepts is parsed at a cost in proportion to its size.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "directory/http_exchange.h"
#include "directory/xml_parser.h"
#include "parse_table.h"
#include "support/directory_replies.h"

namespace lobbyfind::directory {
namespace {

// The path of the innermost of testing::NestedElements(levels, ...).
std::string PathOf(std::size_t levels) {
  std::string path;
  for (std::size_t i = 1; i <= levels; ++i) path += ".e" + std::to_string(i);
  return path;
}

const std::size_t kDepth = ParseLimits{}.max_depth;
const std::size_t kPathLength = ParseLimits{}.max_path_length;
const std::string kTail = "<tail>z</tail>";

INSTANTIATE_TEST_SUITE_P(
    DepthAndPathLength, ParseTable,
    ::testing::Values(
        TableCase{"a leaf at the deepest level kept",
                  testing::NestedElements(kDepth, "x") + kTail,
                  {{PathOf(kDepth), "x"}, {".tail", "z"}}},
        TableCase{"a leaf one level deeper skipped",
                  testing::NestedElements(kDepth + 1, "x") + kTail,
                  {{".tail", "z"}}},
        TableCase{"siblings after a too deep subtree are parsed, and it takes no instance number",
                  testing::NestedElements(kDepth - 1, "<s><too>x</too></s><s>y</s><kept>v</kept>") + kTail,
                  {{PathOf(kDepth - 1) + ".s", "y"}, {PathOf(kDepth - 1) + ".kept", "v"}, {".tail", "z"}}},
        TableCase{"a path of the longest length kept",
                  "<" + std::string(kPathLength - 1, 'n') + ">v</" + std::string(kPathLength - 1, 'n') + ">",
                  {{"." + std::string(kPathLength - 1, 'n'), "v"}}},
        TableCase{
            "a path one byte longer skipped, its siblings parsed",
            "<" + std::string(kPathLength, 'n') + "><c>v</c></" + std::string(kPathLength, 'n') + ">" + kTail,
            {{".tail", "z"}}},
        TableCase{"a child whose path grows too long skipped, a shorter sibling kept",
                  "<" + std::string(kPathLength - 3, 'p') + "><ab>1</ab><a>2</a></" +
                      std::string(kPathLength - 3, 'p') + ">",
                  {{"." + std::string(kPathLength - 3, 'p') + ".a", "2"}}},
        TableCase{"the instance number does not count against the length",
                  "<" + std::string(kPathLength - 1, 'n') + ">a</" + std::string(kPathLength - 1, 'n') +
                      "><" + std::string(kPathLength - 1, 'n') + ">b</" + std::string(kPathLength - 1, 'n') +
                      ">",
                  {{"." + std::string(kPathLength - 1, 'n'), "a"},
                   {"." + std::string(kPathLength - 1, 'n') + "[1]", "b"}}}));

TEST(ParserLimits, SkippedContentIsNeitherFoundNorCounted) {
  cXMLparser parser;
  parser.Parse(testing::NestedElements(kDepth, "<deep><deeper>x</deeper></deep>") + kTail);
  const std::string deep = PathOf(kDepth) + ".deep";
  EXPECT_EQ(parser.Count(deep), 0);
  EXPECT_EQ(parser.Count(PathOf(1)), 0) << "nothing recorded under the outermost element either";
  EXPECT_EQ(parser.Value(deep + ".deeper"), "(" + deep + ".deeper) EXISTIERT NICHT");
  EXPECT_EQ(parser.Value(".tail"), "z");
}

TEST(ParserLimits, LeavesBeyondTheTotalPathSizeAreSkipped) {
  // .a (2) + .a[1] (5) + .bb (3) fill 10 of 12 bytes; .a[2] (5) does not fit,
  // .c (2) still does, and the last .a again does not.
  cXMLparser parser(ParseLimits{.max_total_path_bytes = 12});
  parser.Parse("<a>1</a><a>2</a><bb>3</bb><a>4</a><c>5</c><a>6</a>");
  EXPECT_EQ(EntriesOf(parser), (Entries{{".a", "1"}, {".a[1]", "2"}, {".bb", "3"}, {".c", "5"}}));
  EXPECT_EQ(parser.Count(".a"), 2);
  EXPECT_EQ(parser.Value(".a[2]"), "(.a[2]) EXISTIERT NICHT");
}

TEST(ParserLimits, AFullSizeServersReplyIsReadCompletely) {
  // About as many servers as fit in the largest body the HTTP layer accepts.
  const std::size_t body_limit = HttpExchange::Limits{}.max_body;
  const int servers = static_cast<int>(body_limit * 1000 / testing::ServersReply(1000).size());
  const std::string reply = testing::ServersReply(servers);
  ASSERT_GT(reply.size(), body_limit * 9 / 10);
  cXMLparser parser;
  parser.Parse(reply);
  ASSERT_EQ(parser.Count(".server"), servers);
  const std::string last = InstancePath(".server", static_cast<std::size_t>(servers - 1));
  EXPECT_EQ(parser.Value(last + ".servername"), "Player " + std::to_string(servers - 1));
  EXPECT_EQ(parser.Value(last + ".version"), "4");
}

class HostileReply : public ::testing::TestWithParam<TableCase> {};

TEST_P(HostileReply, IsParsedWithinTheLimits) {
  ASSERT_GE(GetParam().document.size(), HttpExchange::Limits{}.max_body);
  cXMLparser parser;
  parser.Parse(GetParam().document);
  EXPECT_EQ(EntriesOf(parser), GetParam().expected) << GetParam().what;
  // The parser stays usable for the next reply.
  parser.Parse("<titel>NEWS</titel>");
  EXPECT_EQ(EntriesOf(parser), (Entries{{".titel", "NEWS"}}));
}

const std::size_t kBody = HttpExchange::Limits{}.max_body;

INSTANTIATE_TEST_SUITE_P(
    FourMebibytes, HostileReply,
    ::testing::Values(
        TableCase{"one name opened again and again", testing::Repeated("<a>", kBody), {}},
        // The first closing tag ends the outermost element; the next one reads as an element "/a".
        TableCase{"one name nested and closed", testing::NestedSameNameClosed(kBody), {{"./a", ""}}},
        TableCase{"distinct names nested and closed",
                  testing::NestedDistinctNames(kBody, true),
                  {{".n0.v", "kept"}, {".titel", "T"}}},
        TableCase{"distinct names opened, never closed",
                  testing::NestedDistinctNames(kBody, false),
                  {{".n0.v", "kept"}}},
        TableCase{"closing tags only", testing::Repeated("</a>", kBody), {{"./a", ""}}},
        TableCase{"nested names around a sea of \"<\"",
                  testing::NestedElements(2 * kDepth, testing::Repeated("<", kBody)),
                  {}}));

TEST(ParserLimits, ManyLeavesUnderALongPathStopAtTheTotalPathSize) {
  const std::string parent(kPathLength - 3, 'p');
  const std::string document = "<" + parent + ">" + testing::Repeated("<b></b>", kBody) + "</" + parent + ">";
  cXMLparser parser;
  parser.Parse(document);
  const std::vector<std::string> paths = parser.Paths();
  ASSERT_FALSE(paths.empty());
  std::size_t total = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    ASSERT_EQ(paths[i], InstancePath("." + parent + ".b", i));
    total += paths[i].size();
  }
  EXPECT_LE(total, ParseLimits{}.max_total_path_bytes);
  EXPECT_GT(total + InstancePath("." + parent + ".b", paths.size()).size(),
            ParseLimits{}.max_total_path_bytes)
      << "stopped only when the next leaf no longer fits";
}

}  // namespace
}  // namespace lobbyfind::directory
