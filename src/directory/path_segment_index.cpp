#include "directory/path_segment_index.h"

#include <functional>
#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::size_t kMinimumSlots = 64;  // a power of two, as every size of the table

}  // namespace

void PathSegmentIndex::Clear() {
  slots_.assign(kMinimumSlots, Slot{});
  table_used_ = 0;
  texts_.clear();
  nodes_.assign(1, Node{});
}

std::string_view PathSegmentIndex::TextOf(std::uint32_t id) const {
  return std::string_view(texts_).substr(nodes_[id].text, nodes_[id].length);
}

void PathSegmentIndex::Reserve(std::size_t nodes) { nodes_.reserve(nodes + 1); }

std::uint32_t PathSegmentIndex::HashOf(std::uint32_t parent, std::string_view segment) {
  const std::uint64_t text = std::hash<std::string_view>{}(segment);
  // Mix the parent in so that equal segments under different parents spread out.
  std::uint64_t mixed = text ^ (static_cast<std::uint64_t>(parent) + 0x9E3779B97F4A7C15ULL + (text << 6) + (text >> 2));
  mixed ^= mixed >> 33;
  mixed *= 0xFF51AFD7ED558CCDULL;
  mixed ^= mixed >> 33;
  return static_cast<std::uint32_t>(mixed);
}

std::size_t PathSegmentIndex::SlotOf(std::uint32_t hash, std::uint32_t parent, std::string_view segment) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.id == kAbsent) return at;
    if (slot.hash == hash && slot.parent == parent && TextOf(slot.id) == segment) {
      return at;
    }
  }
}

std::uint32_t PathSegmentIndex::Find(std::uint32_t parent, std::string_view segment) const {
  if (nodes_.empty()) return kAbsent;
  const Node& node = nodes_[parent];
  if (node.inline_count != kCrowded) {
    for (std::uint32_t i = 0; i < node.inline_count; ++i) {
      if (TextOf(node.children[i]) == segment) return node.children[i];
    }
    return kAbsent;
  }
  return slots_[SlotOf(HashOf(parent, segment), parent, segment)].id;
}

std::uint32_t PathSegmentIndex::FindOrAdd(std::uint32_t parent, std::string_view segment, bool& created) {
  if (nodes_.empty()) Clear();
  const std::uint32_t found = Find(parent, segment);
  created = found == kAbsent;
  if (!created) return found;

  const auto id = static_cast<std::uint32_t>(nodes_.size());
  nodes_.push_back(Node{texts_.size(), static_cast<std::uint32_t>(segment.size())});
  texts_.append(segment);
  Node& node = nodes_[parent];
  if (node.inline_count < kInlineChildren) {
    node.children[node.inline_count++] = id;
    return id;
  }
  if (node.inline_count == kInlineChildren) {
    node.inline_count = kCrowded;
    for (const std::uint32_t child : node.children) PutInTable(parent, child);
  }
  PutInTable(parent, id);
  return id;
}

void PathSegmentIndex::PutInTable(std::uint32_t parent, std::uint32_t id) {
  // Never full, so a probe always ends at a free slot.
  if (Crowded(table_used_ + 1, slots_.size())) Grow();
  const std::uint32_t hash = HashOf(parent, TextOf(id));
  slots_[SlotOf(hash, parent, TextOf(id))] = Slot{hash, parent, id};
  ++table_used_;
}

void PathSegmentIndex::Grow() {
  std::vector<Slot> old(std::max(kMinimumSlots, slots_.size() * 2));
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.id == kAbsent) continue;
    std::size_t at = slot.hash & mask;
    while (slots_[at].id != kAbsent) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace lobbyfind::directory
