// The indexed parser must give exactly the results of the plain, scan-everything
// reading of the path rules, on well-formed replies and on any broken input,
// whether it parses a document at once or in steps of a few elements.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "directory/xml_parser.h"
#include "support/literal_xml_parser.h"

namespace lobbyfind::directory {
namespace {

const std::vector<std::string> kNames = {"a", "b", "server", "ip", "a.b", "x[1]", "", "server[1]", "map"};

// Well-formed trees of random shape, with layout text and repeated names.
std::string RandomTree(std::mt19937& rng, int depth) {
  std::string out;
  const int children = static_cast<int>(rng() % 4);
  for (int i = 0; i < children; ++i) {
    const std::string& name = kNames[rng() % kNames.size()];
    if (rng() % 3 == 0) out += rng() % 2 ? "\r\n  " : " ";
    out += "<" + name + ">";
    if (depth > 0 && rng() % 2) {
      out += RandomTree(rng, depth - 1);
    } else {
      out += std::string(rng() % 3, static_cast<char>('0' + rng() % 10));
    }
    out += "</" + name + ">";
  }
  return out;
}

// Tag soup: fragments of tags, stray brackets, unclosed and misnested elements.
std::string RandomSoup(std::mt19937& rng) {
  static const std::vector<std::string> kPieces = {
      "<", ">", "</", "/", ".", "[", "]", "1", "text", " ", "\r\n", "&amp;", "<a>", "</a>", "<b>", "</b>",
      "<server>", "</server>", "<ip>", "</ip>", "<a.b>", "</a.b>", "<>", "</>", "<x[1]>", "</x[1]>", "<a x=1>",
      "<!-- c -->", "<?xml?>", "<br/>", std::string(1, '\0'), "\xFF"};
  std::string out;
  const int pieces = static_cast<int>(rng() % 40);
  for (int i = 0; i < pieces; ++i) out += kPieces[rng() % kPieces.size()];
  return out;
}

// Every path either parser could be asked: each entry, each of its prefixes
// before a dot, their next instances, and some that exist nowhere.
std::set<std::string> Queries(const std::vector<std::string>& paths) {
  std::set<std::string> queries = {"", ".", ".a", ".server", ".nothing", ".a[1]", ".server[1].ip"};
  for (const std::string& path : paths) {
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '.') {
        const std::string prefix = path.substr(0, i);
        queries.insert(prefix);
        queries.insert(prefix + "[1]");
        queries.insert(prefix + "[2]");
        queries.insert(prefix + ".ip");
      }
    }
  }
  return queries;
}

void ExpectSameResults(const std::string& document, const ParseLimits& limits = {}) {
  cXMLparser indexed(limits);
  testing::LiteralXmlParser literal(limits);
  indexed.Parse(document);
  literal.Parse(document);
  // In steps of one to three elements, over the table of an earlier reply.
  cXMLparser stepped(limits);
  stepped.Parse("<titel>OLD</titel><server><ip>1</ip></server>");
  stepped.BeginParse(document);
  const std::size_t step = 1 + document.size() % 3;
  // Asked between steps what a client reading a list as it comes asks, it
  // must still end with what the whole parse gives.
  for (std::size_t steps = 0; !stepped.ParseStep(step); ++steps) {
    ASSERT_LT(steps, 2 * document.size() + 2);
    const int servers = stepped.Count(".server");
    (void)stepped.Value(InstancePath(".server", servers > 0 ? servers - 1 : 0) + ".ip");
  }
  for (const cXMLparser* parser : {&indexed, &stepped}) {
    ASSERT_EQ(parser->Paths(), literal.Paths) << "document: " << document;
    ASSERT_EQ(parser->Values(), literal.Values) << "document: " << document;
    for (const std::string& query : Queries(literal.Paths)) {
      ASSERT_EQ(parser->Count(query), literal.Count(query)) << "query " << query << " in " << document;
      ASSERT_EQ(parser->Value(query), literal.Value(query)) << "query " << query << " in " << document;
    }
  }
}

TEST(ParserDifferential, WellFormedTrees) {
  std::mt19937 rng(20240501);
  for (int i = 0; i < 3000; ++i) ExpectSameResults(RandomTree(rng, 3));
}

TEST(ParserDifferential, TagSoup) {
  std::mt19937 rng(77);
  for (int i = 0; i < 5000; ++i) ExpectSameResults(RandomSoup(rng));
}

TEST(ParserDifferential, TreesWithOneCutOrOneByteChanged) {
  std::mt19937 rng(4242);
  static const std::string kBytes = "<>/.[]a 1";
  for (int i = 0; i < 3000; ++i) {
    std::string document = RandomTree(rng, 3);
    if (document.empty()) continue;
    const std::size_t at = rng() % document.size();
    if (rng() % 2) {
      document.resize(at);
    } else {
      document[at] = kBytes[rng() % kBytes.size()];
    }
    ExpectSameResults(document);
  }
}

TEST(ParserDifferential, HandPickedMalformedDocuments) {
  const std::vector<std::string> documents = {
      "<a>1 < 2</a>",          "<a><a><a>x</a></a></a>", "<a>x</b>y</a>",      "</a>",
      "<a></a></a></a>",       "<a><b>1</a></b>",        "<<a>>v</<a>>",       "<a>unclosed<b>2</b>",
      "<server>\r\n<ip>1</ip>\r\n</server>\r\n<server><ip>2</ip>",
      "<a>1</a><a>2</a><a><b>3</b></a><a.b>4</a.b>", "text<", "<", ">", "<a", "<a>", "</"};
  for (const std::string& document : documents) ExpectSameResults(document);
}

TEST(ParserDifferential, TightLimitsSkipTheSameContent) {
  // Limits small enough that random documents cross each of them often.
  const std::vector<ParseLimits> limits = {{.max_depth = 1}, {.max_depth = 2}, {.max_path_length = 4},
                                           {.max_path_length = 7}, {.max_total_path_bytes = 9},
                                           {.max_depth = 2, .max_path_length = 6, .max_total_path_bytes = 20}};
  std::mt19937 rng(31337);
  for (int i = 0; i < 1500; ++i) {
    const std::string document = i % 3 == 0 ? RandomSoup(rng) : RandomTree(rng, 4);
    for (const ParseLimits& limit : limits) ExpectSameResults(document, limit);
  }
}

TEST(ParserDifferential, ManySiblingsAndManyFields) {
  // More children per element than are listed inline, at the top and below.
  std::mt19937 rng(9);
  std::string document = "<titel>SERVERS</titel>";
  for (int i = 0; i < 40; ++i) {
    document += "<server>";
    for (int f = 0; f < 12; ++f) {
      const std::string name = f % 4 == 3 ? "map" : "f" + std::to_string(rng() % 10);
      document += "<" + name + ">" + std::to_string(i) + "</" + name + ">";
    }
    document += "</server><x" + std::to_string(i % 13) + ">v</x" + std::to_string(i % 13) + ">";
  }
  ExpectSameResults(document);
}

}  // namespace
}  // namespace lobbyfind::directory
