// The tree of leaf-path prefixes the reply parser queries: a node per distinct
// prefix ending before a "." or at the end of a path, found by its parent node
// and its segment text. A reply of thousands of servers makes hundreds of
// thousands of lookups, so memory locality decides the speed: a node with few
// children (a server's fields) lists them inline, next to the nodes made just
// before; only the children of crowded nodes (the servers themselves) go to an
// open-addressing table over one flat array.
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
  [[nodiscard]] std::size_t Size() const { return nodes_.size(); }

 private:
  static constexpr std::uint32_t kInlineChildren = 8;
  struct Node {
    std::size_t text = 0;  // offset into texts_
    std::uint32_t length = 0;
    // Children listed inline while there are at most kInlineChildren; past
    // that, all of them are in slots_ and `inline_count` is kCrowded.
    std::uint32_t inline_count = 0;
    std::uint32_t children[kInlineChildren] = {};
  };
  static constexpr std::uint32_t kCrowded = kInlineChildren + 1;

  // Kept small: a large reply's table should stay in the processor's caches.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t parent = 0;
    std::uint32_t id = kAbsent;  // kAbsent marks a free slot
  };

  [[nodiscard]] static std::uint32_t HashOf(std::uint32_t parent, std::string_view segment);
  // The slot holding the key, or the free slot where it belongs.
  [[nodiscard]] std::size_t SlotOf(std::uint32_t hash, std::uint32_t parent, std::string_view segment) const;
  // Up to 7 of every 10 slots are used, so probes stay short.
  [[nodiscard]] static bool Crowded(std::size_t used, std::size_t capacity) { return used * 10 > capacity * 7; }
  void Grow();
  [[nodiscard]] std::string_view TextOf(std::uint32_t id) const;
  void PutInTable(std::uint32_t parent, std::uint32_t id);

  std::vector<Slot> slots_;
  std::size_t table_used_ = 0;
  std::vector<Node> nodes_;  // by id; nodes_[kRoot] is the root
  std::string texts_;  // every segment's text, end to end; addressed by offset, so growth is harmless
};

}  // namespace lobbyfind::directory
