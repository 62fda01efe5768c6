// A table test of the reply parser: each case is a document and the leaf
// entries (path, text) it must record, in order. The cases are instantiated
// by the test files that need them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "directory/xml_parser.h"

namespace lobbyfind::directory {

using Entries = std::vector<std::pair<std::string, std::string>>;

inline Entries EntriesOf(const cXMLparser& parser) {
  const std::vector<std::string> paths = parser.Paths();
  const std::vector<std::string> values = parser.Values();
  Entries entries;
  for (std::size_t i = 0; i < paths.size(); ++i) entries.emplace_back(paths[i], values[i]);
  return entries;
}

struct TableCase {
  const char* what;
  std::string document;
  Entries expected;
};

class ParseTable : public ::testing::TestWithParam<TableCase> {};

}  // namespace lobbyfind::directory
