#include "directory/xml_parser.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::string_view kMissingSuffix = ") EXISTIERT NICHT";
constexpr std::size_t kNoLeaf = static_cast<std::size_t>(-1);

std::size_t FindIn(std::string_view document, char c, std::size_t from, std::size_t end) {
  return document.substr(0, end).find(c, from);
}

// Whether "</" name ">" starts at `at` and lies wholly before `end`.
bool ClosesAt(std::string_view document, std::string_view name, std::size_t at, std::size_t end) {
  if (at == std::string_view::npos || at + name.size() + 3 > end) return false;
  const std::string_view tag = document.substr(at, name.size() + 3);
  return tag.starts_with("</") && tag.substr(2, name.size()) == name && tag.back() == '>';
}

// The first `needle` lying wholly inside [from, end) of `document`. A closing
// tag is mostly a few bytes away, where a plain search is cheapest; a long
// search (a broken reply may need one per level of nesting) skips ahead by
// the bytes it has seen instead of stopping at every "<".
std::size_t FindTextIn(std::string_view document, std::string_view needle, std::size_t from, std::size_t end) {
  constexpr std::size_t kNear = 512;
  const std::string_view range = document.substr(0, end);
  if (from > range.size() || range.size() - from <= kNear) return range.find(needle, from);
  if (const std::size_t at = range.substr(0, from + kNear).find(needle, from); at != std::string_view::npos) return at;
  // An occurrence may straddle the end of the near part.
  const std::size_t resume = from + kNear + 1 - std::min(kNear + 1, needle.size());
  const auto found = std::search(range.begin() + static_cast<std::ptrdiff_t>(resume), range.end(),
                                 std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return found == range.end() ? std::string_view::npos : static_cast<std::size_t>(found - range.begin());
}

}  // namespace

void cXMLparser::Clear() {
  leaves_.clear();
  paths_.clear();
  nodes_.Clear();
  first_leaf_.assign(1, kNoLeaf);
  walked_parent_.clear();
  known_counts_.clear();
  closer_searches_.clear();
}

void cXMLparser::Parse(std::string_view text) {
  BeginParse(std::string(text));
  ParseStep(static_cast<std::size_t>(-1));
}

void cXMLparser::BeginParse(std::string text) {
  Clear();
  text_ = std::move(text);
  StartWalk(text_);
}

void cXMLparser::StartWalk(std::string_view text) {
  // About one leaf per closing tag; saves most regrowing on large replies.
  // A reply of closing tags only would reserve for nothing, hence the cap
  // (the tables of a reply of some 20,000 servers).
  constexpr std::size_t kMostReserved = std::size_t{1} << 17;
  std::size_t closers = 0;
  for (std::size_t at = text.find("</"); at != std::string_view::npos && closers < kMostReserved;
       at = text.find("</", at + 2)) {
    ++closers;
  }
  leaves_.reserve(closers);
  // A reply's paths take about as many bytes as the reply itself.
  paths_.reserve(std::min(text.size(), limits_.max_total_path_bytes));
  nodes_.Reserve(closers + 8);
  first_leaf_.reserve(closers + 8);
  levels_.assign(1, {0, 0, text.size()});
  path_.clear();
}

bool cXMLparser::ParseStep(std::size_t elements) {
  const std::string_view text = text_;
  std::vector<Level>& levels = levels_;
  std::string& path = path_;
  for (std::size_t walked = 0; !levels.empty() && walked < elements; ++walked) {
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
    // Mostly the element is a leaf whose closing tag is the next tag: then
    // that is the first closing tag of its name, and no search is needed.
    const std::size_t next_open = FindIn(text, '<', rest, level.end);
    const std::size_t closer = ClosesAt(text, name, next_open, level.end)
                                   ? next_open
                                   : FindCloser(text, name, rest, level.end);
    const std::size_t after_closer =
        closer == std::string_view::npos ? level.end : closer + name.size() + 3;
    const std::size_t prefix_length = level.prefix_length;
    level.pos = after_closer;
    if (prefix_length + 1 + name.size() > limits_.max_path_length) continue;  // skipped with its content
    path.resize(prefix_length);
    path.append(".").append(name);

    // A leaf when the first "<" after the tag opens a closing tag (or there is none).
    const bool leaf =
        next_open == std::string_view::npos || (next_open + 1 < level.end && text[next_open + 1] == '/');
    const std::size_t room = limits_.max_total_path_bytes - paths_.size();
    if (leaf && path.size() > room) continue;  // numbered, it would be longer still
    const int count = Count(path);
    if (count > 0) path.append("[").append(std::to_string(count)).append("]");
    if (leaf) {
      if (path.size() <= room) {
        const std::size_t value_end = next_open == std::string_view::npos ? level.end : next_open;
        Add(path, rest, value_end - rest);
      }
    } else if (levels.size() < limits_.max_depth) {
      // Children would be one level deeper; at the limit they are not walked.
      const std::size_t content_end = closer == std::string_view::npos ? level.end : closer;
      levels.push_back({path.size(), rest, content_end});  // `level` is invalid from here
    }
  }
  return levels.empty();
}

std::size_t cXMLparser::FindCloser(std::string_view document, std::string_view name, std::size_t from,
                                   std::size_t end) {
  std::string closer;
  closer.reserve(name.size() + 3);
  closer.append("</").append(name).append(">");
  auto [it, fresh] = closer_searches_.try_emplace(std::string(name), CloserSearch{from, end, 0});
  CloserSearch& search = it->second;
  // A search that started at or before `from` answers when what it found
  // lies at or after `from`, or when it found nothing up to `end` or beyond.
  const bool known = !fresh && search.from <= from &&
                     (search.found == std::string_view::npos ? end <= search.to : from <= search.found);
  if (!known) search = CloserSearch{from, end, FindTextIn(document, closer, from, end)};
  if (search.found == std::string_view::npos || search.found + closer.size() > end) return std::string_view::npos;
  return search.found;
}

void cXMLparser::Add(std::string_view path, std::size_t value, std::size_t value_length) {
  std::uint32_t node = PathSegmentIndex::kRoot;
  std::size_t start = StartOfWalk(path, node);
  while (true) {
    const std::size_t dot = path.find('.', start);
    bool created = false;
    node = nodes_.FindOrAdd(node, SegmentAt(path, start, dot), created);
    if (created) first_leaf_.push_back(kNoLeaf);
    if (dot == std::string_view::npos) break;
    RememberParent(path, dot, node);
    start = dot + 1;
  }
  if (first_leaf_[node] == kNoLeaf) first_leaf_[node] = leaves_.size();
  leaves_.push_back(Leaf{paths_.size(), path.size(), value, value_length});
  paths_.append(path);
}

std::vector<std::string> cXMLparser::Paths() const {
  std::vector<std::string> paths;
  paths.reserve(leaves_.size());
  for (const Leaf& leaf : leaves_) paths.emplace_back(PathOf(leaf));
  return paths;
}

std::vector<std::string> cXMLparser::Values() const {
  std::vector<std::string> values;
  values.reserve(leaves_.size());
  for (const Leaf& leaf : leaves_) values.emplace_back(ValueOf(leaf));
  return values;
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
  const auto known = known_counts_.find(path);
  std::size_t count = known == known_counts_.end() ? 0 : known->second;
  // Instance 0 is the path itself: looked up without a copy, as most paths
  // of a reply (the fields of one server) are never counted past it.
  if (count == 0 && NodeOf(path) != PathSegmentIndex::kAbsent) count = 1;
  while (count > 0 && InstanceExists(path, count)) ++count;
  if (known != known_counts_.end()) {
    known->second = count;
  } else if (count > 0) {
    known_counts_.emplace(std::string(path), count);
  }
  return static_cast<int>(count);
}

std::optional<std::string_view> cXMLparser::Find(std::string_view path) const {
  const std::uint32_t node = NodeOf(path);
  if (node == PathSegmentIndex::kAbsent || first_leaf_[node] == kNoLeaf) return std::nullopt;
  return ValueOf(leaves_[first_leaf_[node]]);
}

std::string cXMLparser::Value(std::string_view path) const {
  if (const auto found = Find(path)) return std::string(*found);
  std::string missing;
  missing.reserve(path.size() + 1 + kMissingSuffix.size());
  missing.append("(").append(path).append(kMissingSuffix);
  return missing;
}

}  // namespace lobbyfind::directory
