// The tree of leaf-path prefixes the reply parser queries: a node per distinct
// prefix ending before a "." or at the end of a path, found by its parent node
// and its segment text. An open-addressing table over one flat array, because
// a reply of thousands of servers makes hundreds of thousands of lookups and a
// node-based map spends most of that time on cache misses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::directory {

class PathSegmentIndex {
 public:
  // The node every path starts from; never returned by Find.
  static constexpr std::uint32_t kRoot = 0;
  static constexpr std::uint32_t kAbsent = 0;

  void Clear();
  void Reserve(std::size_t nodes);
  // The child of `parent` with this segment, or kAbsent.
  [[nodiscard]] std::uint32_t Find(std::uint32_t parent, std::string_view segment) const;
  // The child, made when missing. `created` tells which.
  std::uint32_t FindOrAdd(std::uint32_t parent, std::string_view segment, bool& created);
  // Nodes made so far, the root included: ids run from 1 to Size() - 1.
  [[nodiscard]] std::size_t Size() const { return next_id_; }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t parent = 0;
    std::uint32_t id = kAbsent;  // kAbsent marks a free slot
    std::size_t text = 0;        // offset into texts_
    std::size_t length = 0;
  };

  [[nodiscard]] static std::uint64_t HashOf(std::uint32_t parent, std::string_view segment);
  // The slot holding the key, or the free slot where it belongs.
  [[nodiscard]] std::size_t SlotOf(std::uint64_t hash, std::uint32_t parent, std::string_view segment) const;
  void Grow();

  std::vector<Slot> slots_;
  std::string texts_;  // every segment's text, end to end; addressed by offset, so growth is harmless
  std::uint32_t next_id_ = 1;
};

}  // namespace lobbyfind::directory
