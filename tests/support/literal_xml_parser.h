// The directory reply parser written the plain way: every lookup and every
// count scans the whole table, and the walk copies the text it recurses into.
// Tests compare the project's indexed parser with it on every kind of input;
// the benchmark measures both. Never used by the program itself. It keeps to
// the same limits (ParseLimits) as the project's parser.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "directory/xml_parser.h"

namespace lobbyfind::testing {

class LiteralXmlParser {
 public:
  LiteralXmlParser() = default;
  explicit LiteralXmlParser(const directory::ParseLimits& limits) : limits_(limits) {}

  std::vector<std::string> Paths;
  std::vector<std::string> Values;

  void Parse(std::string_view text) {
    Paths.clear();
    Values.clear();
    ParseElements(std::string(text), "", 1);
  }

  [[nodiscard]] std::string Value(const std::string& path) const {
    for (std::size_t i = 0; i < Paths.size(); ++i) {
      if (Paths[i] == path) return Values[i];
    }
    return "(" + path + ") EXISTIERT NICHT";
  }

  [[nodiscard]] bool InstanceExists(const std::string& path, std::size_t n) const {
    const std::string instance = n == 0 ? path : path + "[" + std::to_string(n) + "]";
    const std::string continued = instance + ".";
    for (const std::string& entry : Paths) {
      if (entry == instance || entry.starts_with(continued)) return true;
    }
    return false;
  }

  [[nodiscard]] int Count(const std::string& path) const {
    std::size_t n = 0;
    while (InstanceExists(path, n)) ++n;
    return static_cast<int>(n);
  }

 private:
  // `depth` is the depth of the elements of `text`.
  void ParseElements(std::string text, const std::string& prefix, std::size_t depth) {
    while (true) {
      const std::size_t open = text.find('<');
      if (open == std::string::npos) return;
      text.erase(0, open);
      const std::size_t close = text.find('>');
      if (close == std::string::npos) return;  // a tag that never ends
      const std::string name = text.substr(1, close - 1);
      const std::string rest = text.substr(close + 1);
      const std::string element = prefix + "." + name;
      const std::string closer = "</" + name + ">";
      if (element.size() <= limits_.max_path_length) {
        const std::size_t first_open = rest.find('<');
        const std::size_t first_closing = rest.find("</");
        const int count = Count(element);
        const std::string path = count == 0 ? element : element + "[" + std::to_string(count) + "]";
        if (first_open == first_closing) {
          if (PathBytes() + path.size() <= limits_.max_total_path_bytes) {
            Paths.push_back(path);
            Values.push_back(rest.substr(0, first_closing));
          }
        } else if (depth < limits_.max_depth) {
          ParseElements(rest.substr(0, rest.find(closer)), path, depth + 1);
        }
      }
      const std::size_t end = rest.find(closer);
      if (end == std::string::npos) return;
      text = rest.substr(end + closer.size());
    }
  }

  [[nodiscard]] std::size_t PathBytes() const {
    std::size_t bytes = 0;
    for (const std::string& path : Paths) bytes += path.size();
    return bytes;
  }

  directory::ParseLimits limits_;
};

}  // namespace lobbyfind::testing
