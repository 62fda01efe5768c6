// The directory reply parser on any bytes: it must end, never crash, and give
// the results of the plain scan-everything reading of the same rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/xml_parser.h"
#include "fuzz_check.h"
#include "support/literal_xml_parser.h"

namespace {

using lobbyfind::directory::cXMLparser;
using lobbyfind::directory::InstancePath;

// The plain reading copies the rest of the text at every tag; above this size
// it would slow the run down more than it finds.
constexpr std::size_t kMaxCompared = 2048;

// Value and Count of `path` must agree with the table and with the plain reading.
void Query(const cXMLparser& parser, const lobbyfind::testing::LiteralXmlParser& literal, bool compare,
           const std::string& path) {
  const std::string value = parser.Value(path);
  const int count = parser.Count(path);
  FUZZ_CHECK(count >= 0);
  // Instance `count` is the first one missing, and every one below it exists.
  FUZZ_CHECK(!parser.InstanceExists(path, static_cast<std::size_t>(count)));
  if (count > 0) FUZZ_CHECK(parser.InstanceExists(path, static_cast<std::size_t>(count) - 1));
  if (compare) {
    FUZZ_CHECK(value == literal.Value(path));
    FUZZ_CHECK(count == literal.Count(path));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  cXMLparser parser;
  parser.Parse(text);
  FUZZ_CHECK(parser.Paths().size() == parser.Values().size());

  const bool compare = size <= kMaxCompared;
  lobbyfind::testing::LiteralXmlParser literal;
  if (compare) {
    literal.Parse(text);
    FUZZ_CHECK(parser.Paths() == literal.Paths);
    FUZZ_CHECK(parser.Values() == literal.Values);
  }

  // Every leaf's value is the first value of its path; its parents, and the
  // next instance of each, are counted as the directory client does.
  const std::vector<std::string> paths = parser.Paths();
  const std::vector<std::string> values = parser.Values();
  const std::size_t queried = paths.size() < 64 ? paths.size() : 64;
  for (std::size_t i = 0; i < queried; ++i) {
    const std::string& path = paths[i];
    const std::string value = parser.Value(path);
    for (std::size_t j = 0; j <= i; ++j) {
      if (paths[j] == path) {
        FUZZ_CHECK(value == values[j]);
        break;
      }
    }
    for (std::size_t dot = path.find('.', 1); dot != std::string::npos; dot = path.find('.', dot + 1)) {
      Query(parser, literal, compare, path.substr(0, dot));
    }
    Query(parser, literal, compare, path);
    Query(parser, literal, compare, InstancePath(path, 1));
  }
  // And a path taken from the input itself, present or not.
  Query(parser, literal, compare, "." + std::string(text.substr(0, text.find('\n'))));

  // Limits small enough for short inputs to cross them skip the same content in both.
  if (compare) {
    const lobbyfind::directory::ParseLimits tight{.max_depth = 3, .max_path_length = 12, .max_total_path_bytes = 40};
    cXMLparser limited(tight);
    lobbyfind::testing::LiteralXmlParser limited_literal(tight);
    limited.Parse(text);
    limited_literal.Parse(text);
    FUZZ_CHECK(limited.Paths() == limited_literal.Paths);
    FUZZ_CHECK(limited.Values() == limited_literal.Values);
  }
  return 0;
}
