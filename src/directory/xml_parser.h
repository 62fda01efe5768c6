// Flattens the tag documents of the directory service into a table of leaf
// paths and their texts (".titel", ".server[3].port"), and answers queries by
// path and by instance count. Not an XML parser: no attributes, no entities,
// no declarations; text is kept byte for byte. It never fails and always ends.
//
// A naive reading of the path rules scans the whole table for every lookup and
// every count, which is cubic in the number of servers of a reply. This class
// keeps an index instead (a tree of path segments, the first value of every
// path and the last known instance count of every counted path), so a reply
// of n servers is parsed and read out in O(n).
//
// A reply may be broken or hostile, so what one reply can make the parser
// record is limited (see ParseLimits: nesting depth 32, path length 256
// bytes, 16 MiB of paths in all): the cost of a parse stays linear in the
// size of the reply whatever its shape. Content beyond a limit is skipped
// silently, as any other breach of the syntax is: nothing reports it, and a
// field lost that way reads as "(" path ") EXISTIERT NICHT" like any missing
// field. The directory's own replies stay far below every limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "directory/path_segment_index.h"

namespace lobbyfind::directory {

// How far the parser follows a reply. The directory's replies nest three
// levels deep at most and their paths are a few dozen bytes long, so real
// replies never reach these limits; a reply nesting thousands of levels, or
// naming its elements with kilobytes of text, would otherwise cost time and
// memory growing with the square of its size. What lies beyond a limit is
// skipped: recorded nowhere, counted nowhere, and the walk goes on after the
// closing tag of the skipped element as if it were recorded.
struct ParseLimits {
  // Elements nested deeper than this are skipped with their content; the
  // top-level elements are at depth 1. Every level may need one search for a
  // closing tag through the rest of the reply, so this bounds the time too.
  std::size_t max_depth = 32;
  // An element whose path (before its instance number) is longer than this is
  // skipped with its content.
  std::size_t max_path_length = 256;
  // A leaf whose path would bring the total length of the recorded paths
  // above this is skipped; a later, shorter one may still fit. A full reply
  // of the largest size the client accepts needs about a quarter of it.
  std::size_t max_total_path_bytes = std::size_t{16} << 20;
};

// The name of instance n of `path`: `path` itself for n = 0, else `path` "[" n "]".
[[nodiscard]] std::string InstancePath(std::string_view path, std::size_t n);

class cXMLparser {
 public:
  cXMLparser() = default;
  explicit cXMLparser(const ParseLimits& limits) : limits_(limits) {}

  // Replaces the whole table with the entries of `text`.
  void Parse(std::string_view text);

  // The same parse in steps, so that a reply of thousands of servers never
  // holds the event loop for long: BeginParse empties the table and keeps
  // `text`; each ParseStep walks at most `elements` more elements and says
  // whether the whole text is walked. The table is complete only then; the
  // entries come in the same order as from Parse.
  void BeginParse(std::string text);
  bool ParseStep(std::size_t elements);

  // The text of the first leaf whose path equals `path` exactly, else the text
  // "(" path ") EXISTIERT NICHT", which callers pass on unchecked.
  [[nodiscard]] std::string Value(std::string_view path) const;
  // The text of the first leaf whose path equals `path` exactly, if there is
  // one; valid until the next parse.
  [[nodiscard]] std::optional<std::string_view> Find(std::string_view path) const;

  // The number of instances of `path`: the smallest n for which instance n
  // does not exist (0 when the element is absent).
  [[nodiscard]] int Count(std::string_view path) const;

  // Instance n of `path` is `path` itself for n = 0 and `path` "[" n "]"
  // otherwise; it exists when some leaf path equals it or continues it with ".".
  [[nodiscard]] bool InstanceExists(std::string_view path, std::size_t n) const;

  // Leaf paths in document order, and their texts (same length): copies,
  // made on each call.
  [[nodiscard]] std::vector<std::string> Paths() const;
  [[nodiscard]] std::vector<std::string> Values() const;

 private:
  // The last search for a closing tag of one name: it looked at [from, to) and
  // found the first one there at `found`, or none (npos). The walk only moves
  // forward, so the searches of nested elements of one name are answered here.
  struct CloserSearch {
    std::size_t from;
    std::size_t to;
    std::size_t found;
  };
  // One level of the walk: the elements of [pos, end) belong under the first
  // `prefix_length` bytes of the path being built. Children are walked on an
  // explicit stack, so a deeply nested (or broken) document cannot exhaust the
  // call stack, and the levels share one path instead of a copy each.
  struct Level {
    std::size_t prefix_length;
    std::size_t pos;
    std::size_t end;
  };

  // Starts a walk of `text` into the emptied table.
  void StartWalk(std::string_view text);

  // A leaf of the table: its path in paths_, its text in the walked text.
  // A reply of thousands of servers has tens of thousands of leaves; as
  // spans of two buffers they cost no allocation each, and emptying the
  // table for the next reply costs nothing.
  struct Leaf {
    std::size_t path;
    std::size_t path_length;
    std::size_t value;
    std::size_t value_length;
  };
  [[nodiscard]] std::string_view PathOf(const Leaf& leaf) const {
    return std::string_view(paths_).substr(leaf.path, leaf.path_length);
  }
  [[nodiscard]] std::string_view ValueOf(const Leaf& leaf) const {
    return std::string_view(text_).substr(leaf.value, leaf.value_length);
  }

  void Clear();
  void Add(std::string_view path, std::size_t value, std::size_t value_length);
  // The node of `text` when it is a leaf path or a prefix of one ending
  // before a ".", else PathSegmentIndex::kAbsent.
  [[nodiscard]] std::uint32_t NodeOf(std::string_view text) const;
  [[nodiscard]] static std::string_view SegmentAt(std::string_view text, std::size_t start, std::size_t dot);
  // Where a walk of `text` may start: after the remembered parent (setting
  // `node` to it) or at 0.
  std::size_t StartOfWalk(std::string_view text, std::uint32_t& node) const;
  void RememberParent(std::string_view text, std::size_t dot, std::uint32_t node) const;
  // First "</" name ">" lying wholly inside [from, end) of the document.
  [[nodiscard]] std::size_t FindCloser(std::string_view document, std::string_view name, std::size_t from,
                                       std::size_t end);

  ParseLimits limits_;
  std::vector<Leaf> leaves_;
  std::string paths_;  // every leaf's path, end to end

  PathSegmentIndex nodes_;
  // For every node, the index of the first leaf with exactly that path (or kNoLeaf).
  std::vector<std::size_t> first_leaf_;
  // The parent part of the last walked text (before its last ".") and its
  // node; nodes are never removed before the next Parse, so it stays right.
  mutable std::string walked_parent_;
  mutable std::uint32_t walked_parent_node_ = 0;
  // Instance counts only grow while the table grows, so a count resumes
  // where the last one for the same path stopped (kept for counts above 0).
  // Looked up by view, without a copy of the path.
  struct PathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
  };
  mutable std::unordered_map<std::string, std::size_t, PathHash, std::equal_to<>> known_counts_;
  std::unordered_map<std::string, CloserSearch> closer_searches_;
  // The walked text, which the leaves' values point into; the walk under
  // way: its levels and the path being built.
  std::string text_;
  std::vector<Level> levels_;
  std::string path_;
};

}  // namespace lobbyfind::directory
