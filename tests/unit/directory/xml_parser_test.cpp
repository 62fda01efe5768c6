#include "directory/xml_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parse_table.h"

namespace lobbyfind::directory {
namespace {

TEST_P(ParseTable, RecordsTheLeaves) {
  cXMLparser parser;
  parser.Parse(GetParam().document);
  EXPECT_EQ(EntriesOf(parser), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, ParseTable,
    ::testing::Values(
        TableCase{"empty document", "", {}},
        TableCase{"text without tags", "just text\r\n", {}},
        TableCase{"worked example",
                  "<titel>SERVERS</titel><server><ip>10.0.0.1</ip></server><server><ip>10.0.0.2</ip></server>",
                  {{".titel", "SERVERS"}, {".server.ip", "10.0.0.1"}, {".server[1].ip", "10.0.0.2"}}},
        TableCase{"empty leaf", "<map></map>", {{".map", ""}}},
        TableCase{"layout text between elements is skipped",
                  "  <server>\r\n  <ip>1.2.3.4</ip>\n\t<map>x</map>\n</server>\n",
                  {{".server.ip", "1.2.3.4"}, {".server.map", "x"}}},
        TableCase{"leaf text kept byte for byte", "<t>  two\r\nlines \t</t>", {{".t", "  two\r\nlines \t"}}},
        TableCase{"entities stay as they are", "<t>a &amp; b &lt;</t>", {{".t", "a &amp; b &lt;"}}},
        TableCase{"high bytes and zero bytes pass through", std::string("<t>\xE4\x00\xFF</t>", 10),
                  {{".t", std::string("\xE4\x00\xFF", 3)}}},
        TableCase{"three top-level siblings",
                  "<eintrag>a</eintrag><eintrag>b</eintrag><eintrag>c</eintrag>",
                  {{".eintrag", "a"}, {".eintrag[1]", "b"}, {".eintrag[2]", "c"}}},
        TableCase{"numbering by full path inside one parent",
                  "<server></server><server><map>a</map><map>b</map></server>",
                  {{".server", ""}, {".server[1].map", "a"}, {".server[1].map[1]", "b"}}},
        TableCase{"deeper nesting", "<a><b><c>1</c></b><b><c>2</c></b></a>",
                  {{".a.b.c", "1"}, {".a.b[1].c", "2"}}},
        TableCase{"unclosed leaf takes the rest", "<t>open end", {{".t", "open end"}}},
        TableCase{"unclosed parent walks the rest", "<s><a>1</a><b>2</b>", {{".s.a", "1"}, {".s.b", "2"}}},
        TableCase{"tag without end is dropped", "<a>1</a><b", {{".a", "1"}}},
        TableCase{"leaf closed by another name continues after its own closer",
                  "<a>x</b>y</a><c>z</c>", {{".a", "x"}, {".c", "z"}}},
        TableCase{"attributes are part of the name", "<a x=1>v</a x=1>", {{".a x=1", "v"}}},
        TableCase{"nested same name ends at the first closer", "<a><a>1</a>2</a>",
                  {{".a.a", "1"}, {"./a", ""}}},
        TableCase{"empty name", "<>v</>", {{".", "v"}}}));

TEST(ParserValue, ReturnsFirstValueOrTheMissingText) {
  cXMLparser parser;
  parser.Parse("<titel>NEWS</titel><titel>second</titel><server><ip>1</ip></server>");
  EXPECT_EQ(parser.Value(".titel"), "NEWS");
  EXPECT_EQ(parser.Value(".titel[1]"), "second");
  EXPECT_EQ(parser.Value(".Titel"), "(.Titel) EXISTIERT NICHT");
  EXPECT_EQ(parser.Value(".server[2].ip"), "(.server[2].ip) EXISTIERT NICHT");
  EXPECT_EQ(parser.Value(".server"), "(.server) EXISTIERT NICHT") << "an element with children has no value";
  EXPECT_EQ(parser.Value(""), "() EXISTIERT NICHT");
  // Find tells a leaf from no leaf, an empty one included.
  parser.Parse("<titel>NEWS</titel><map></map><server><ip>1</ip></server>");
  EXPECT_EQ(parser.Find(".titel"), "NEWS");
  EXPECT_EQ(parser.Find(".map"), "");
  EXPECT_EQ(parser.Find(".Titel"), std::nullopt);
  EXPECT_EQ(parser.Find(".server"), std::nullopt);
}

TEST(ParserValue, TheTableOutlivesTheTextItWasGiven) {
  cXMLparser parser;
  parser.Parse(std::string("<titel>SERVERS</titel><server><ip>10.0.0.1</ip></server>"));
  std::string stepped = "<server><ip>10.0.0.2</ip></server><server><ip>10.0.0.3</ip></server>";
  cXMLparser in_steps;
  in_steps.BeginParse(stepped);
  stepped.assign(stepped.size(), 'x');
  while (!in_steps.ParseStep(1)) {
  }
  EXPECT_EQ(parser.Value(".server.ip"), "10.0.0.1");
  EXPECT_EQ(in_steps.Value(".server[1].ip"), "10.0.0.3");
}

TEST(ParserValue, SameNamedLeavesAreNumberedAndThePlainPathAnswersTheFirst) {
  cXMLparser parser;
  parser.Parse("<t>first</t><t>second</t>");
  EXPECT_EQ(parser.Value(".t"), "first");
  EXPECT_EQ(parser.Value(".t[1]"), "second");
  // A name that looks like an instance takes that slot, and numbering goes on past it.
  parser.Parse("<x>a</x><x[1]>b</x[1]><x>c</x>");
  EXPECT_EQ(EntriesOf(parser), (Entries{{".x", "a"}, {".x[1]", "b"}, {".x[2]", "c"}}));
  // A name with a dot counts as a child for the numbering of later elements.
  parser.Parse("<a.b>1</a.b><a><b>2</b></a>");
  EXPECT_EQ(EntriesOf(parser), (Entries{{".a.b", "1"}, {".a[1].b", "2"}}));
}

TEST(ParserCount, CountsInstancesByFullPath) {
  cXMLparser parser;
  parser.Parse(
      "<titel>SERVERS</titel><server><ip>1</ip></server><server><ip>2</ip></server>"
      "<servername>x</servername><eintrag>a</eintrag><eintrag>b</eintrag><eintrag>c</eintrag>");
  const std::vector<std::pair<std::string, int>> table = {
      {".server", 2},  {".servername", 1}, {".eintrag", 3}, {".titel", 1},        {".server.ip", 1},
      {".server[1].ip", 1}, {".server[2]", 0}, {".nothing", 0}, {".Titel", 0},   {".serv", 0},
      {"", 1},
  };
  for (const auto& [path, expected] : table) EXPECT_EQ(parser.Count(path), expected) << path;
  // Asking twice gives the same answer (the count is remembered, not changed).
  EXPECT_EQ(parser.Count(".server"), 2);
}

TEST(ParserCount, EmptyDocumentCountsNothing) {
  cXMLparser parser;
  parser.Parse("");
  EXPECT_EQ(parser.Count(".server"), 0);
  EXPECT_EQ(parser.Count(""), 0);
  EXPECT_FALSE(parser.InstanceExists(".server", 0));
}

TEST(ParserParse, EachParseReplacesTheTableAndItsCounts) {
  cXMLparser parser;
  parser.Parse("<server><ip>1</ip></server><server><ip>2</ip></server>");
  EXPECT_EQ(parser.Count(".server"), 2);
  parser.Parse("<server><ip>3</ip></server>");
  EXPECT_EQ(parser.Count(".server"), 1);
  EXPECT_EQ(parser.Value(".server.ip"), "3");
  EXPECT_EQ(parser.Value(".server[1].ip"), "(.server[1].ip) EXISTIERT NICHT");
  parser.Parse("<server><ip>4</ip></server><server><ip>5</ip></server><server><ip>6</ip></server>");
  EXPECT_EQ(parser.Count(".server"), 3);
}

}  // namespace
}  // namespace lobbyfind::directory
