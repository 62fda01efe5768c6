// A table test of the reply parser: each case is a document and the leaf
// entries (path, text) it must record, in order. The cases are instantiated
// by the test files that need them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
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

// A case is named by what it checks: GoogleTest would otherwise dump its
// bytes, pointers included, into the test's name and every failure.
inline void PrintTo(const TableCase& c, std::ostream* out) { *out << c.what; }

class ParseTable : public ::testing::TestWithParam<TableCase> {};

}  // namespace lobbyfind::directory
