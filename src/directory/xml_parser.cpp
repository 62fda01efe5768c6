#include "directory/xml_parser.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::string_view kMissingSuffix = ") EXISTIERT NICHT";
constexpr std::size_t kNoLeaf = static_cast<std::size_t>(-1);

// One level of the walk: the elements of [pos, end) belong under `prefix`.
// Children are walked on an explicit stack, so a deeply nested (or broken)
// document cannot exhaust the call stack.
struct Level {
  std::string prefix;
  std::size_t pos;
  std::size_t end;
};

std::size_t FindIn(std::string_view document, char c, std::size_t from, std::size_t end) {
  const std::size_t at = document.substr(0, end).find(c, from);
  return at;
}

}  // namespace

void cXMLparser::Clear() {
  paths_.clear();
  values_.clear();
  nodes_.Clear();
  first_leaf_.assign(1, kNoLeaf);
  walked_parent_.clear();
  known_counts_.clear();
  closer_searches_.clear();
}

void cXMLparser::Parse(std::string_view text) {
  Clear();
  // About one leaf per two tags; saves most rehashing on large replies.
  const auto tags = static_cast<std::size_t>(std::count(text.begin(), text.end(), '<'));
  paths_.reserve(tags / 2);
  values_.reserve(tags / 2);
  nodes_.Reserve(tags / 2 + 8);
  first_leaf_.reserve(tags / 2 + 8);
  std::vector<Level> levels;
  levels.push_back({std::string(), 0, text.size()});
  while (!levels.empty()) {
    Level& level = levels.back();
    const std::size_t open = FindIn(text, '<', level.pos, level.end);
    if (open == std::string_view::npos) {
      levels.pop_back();
      continue;
    }
    const std::size_t close = FindIn(text, '>', open + 1, level.end);
    if (close == std::string_view::npos) {
      // A tag that never ends: nothing more can be read at this level.
      levels.pop_back();
      continue;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const std::size_t rest = close + 1;
    std::string path = level.prefix + "." + std::string(name);

    // A leaf when the first "<" after the tag opens a closing tag (or there is none).
    const std::size_t next_open = FindIn(text, '<', rest, level.end);
    const bool leaf =
        next_open == std::string_view::npos || (next_open + 1 < level.end && text[next_open + 1] == '/');
    const std::size_t closer = FindCloser(text, name, rest, level.end);
    const std::size_t after_closer =
        closer == std::string_view::npos ? level.end : closer + name.size() + 3;

    const int count = Count(path);
    if (count > 0) path = InstancePath(path, static_cast<std::size_t>(count));
    if (leaf) {
      const std::size_t value_end = next_open == std::string_view::npos ? level.end : next_open;
      Add(std::move(path), text.substr(rest, value_end - rest));
      level.pos = after_closer;
    } else {
      const std::size_t content_end = closer == std::string_view::npos ? level.end : closer;
      level.pos = after_closer;
      levels.push_back({std::move(path), rest, content_end});  // `level` is invalid from here
    }
  }
}

std::size_t cXMLparser::FindCloser(std::string_view document, std::string_view name, std::size_t from,
                                   std::size_t end) {
  std::string closer;
  closer.reserve(name.size() + 3);
  closer.append("</").append(name).append(">");
  auto [it, fresh] = closer_searches_.try_emplace(std::string(name), CloserSearch{from, 0});
  CloserSearch& search = it->second;
  // The first occurrence at or after `from` is known when `from` lies between
  // the start of the last search and what it found.
  const bool known = !fresh && search.from <= from &&
                     (search.found == std::string_view::npos || from <= search.found);
  if (!known) search = CloserSearch{from, document.find(closer, from)};
  if (search.found == std::string_view::npos || search.found + closer.size() > end) return std::string_view::npos;
  return search.found;
}

void cXMLparser::Add(std::string path, std::string_view value) {
  std::uint32_t node = PathSegmentIndex::kRoot;
  std::size_t start = StartOfWalk(path, node);
  while (true) {
    const std::size_t dot = path.find('.', start);
    bool created = false;
    node = nodes_.FindOrAdd(node, SegmentAt(path, start, dot), created);
    if (created) first_leaf_.push_back(kNoLeaf);
    if (dot == std::string::npos) break;
    RememberParent(path, dot, node);
    start = dot + 1;
  }
  if (first_leaf_[node] == kNoLeaf) first_leaf_[node] = paths_.size();
  paths_.push_back(std::move(path));
  values_.emplace_back(value);
}

std::uint32_t cXMLparser::NodeOf(std::string_view text) const {
  std::uint32_t node = PathSegmentIndex::kRoot;
  std::size_t start = StartOfWalk(text, node);
  while (true) {
    const std::size_t dot = text.find('.', start);
    node = nodes_.Find(node, SegmentAt(text, start, dot));
    if (node == PathSegmentIndex::kAbsent || dot == std::string_view::npos) return node;
    RememberParent(text, dot, node);
    start = dot + 1;
  }
}

std::string_view cXMLparser::SegmentAt(std::string_view text, std::size_t start, std::size_t dot) {
  return text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
}

std::size_t cXMLparser::StartOfWalk(std::string_view text, std::uint32_t& node) const {
  // Queries come in runs under one parent (the fields of one server), so a
  // walk starts below the parent found last time when the text continues it.
  const std::string& parent = walked_parent_;
  if (parent.empty() || text.size() <= parent.size() || text[parent.size()] != '.' || !text.starts_with(parent)) {
    return 0;
  }
  node = walked_parent_node_;
  return parent.size() + 1;
}

void cXMLparser::RememberParent(std::string_view text, std::size_t dot, std::uint32_t node) const {
  if (text.find('.', dot + 1) != std::string_view::npos) return;  // only the last parent of a path
  walked_parent_.assign(text.substr(0, dot));
  walked_parent_node_ = node;
}

std::string InstancePath(std::string_view path, std::size_t n) {
  std::string name(path);
  if (n > 0) name.append("[").append(std::to_string(n)).append("]");
  return name;
}

bool cXMLparser::InstanceExists(std::string_view path, std::size_t n) const {
  return NodeOf(InstancePath(path, n)) != PathSegmentIndex::kAbsent;
}

int cXMLparser::Count(std::string_view path) const {
  const std::string key(path);
  const auto known = known_counts_.find(key);
  std::size_t count = known == known_counts_.end() ? 0 : known->second;
  while (InstanceExists(path, count)) ++count;
  if (known != known_counts_.end()) {
    known->second = count;
  } else if (count > 0) {
    known_counts_.emplace(key, count);
  }
  return static_cast<int>(count);
}

std::string cXMLparser::Value(std::string_view path) const {
  const std::uint32_t node = NodeOf(path);
  if (node != PathSegmentIndex::kAbsent && first_leaf_[node] != kNoLeaf) return values_[first_leaf_[node]];
  std::string missing;
  missing.reserve(path.size() + 1 + kMissingSuffix.size());
  missing.append("(").append(path).append(kMissingSuffix);
  return missing;
}

}  // namespace lobbyfind::directory
