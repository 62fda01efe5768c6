#include "directory/path_segment_index.h"

#include <functional>
#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::size_t kMinimumSlots = 64;  // a power of two, as every size of the table

}  // namespace

void PathSegmentIndex::Clear() {
  slots_.assign(kMinimumSlots, Slot{});
  texts_.clear();
  next_id_ = 1;
}

void PathSegmentIndex::Reserve(std::size_t nodes) {
  std::size_t wanted = kMinimumSlots;
  while (wanted < nodes * 2) wanted *= 2;
  if (next_id_ == 1) {
    // Nothing stored yet: take the room at once instead of doubling up to it.
    if (slots_.size() < wanted) slots_.assign(wanted, Slot{});
    return;
  }
  while (slots_.size() < wanted) Grow();
}

std::uint64_t PathSegmentIndex::HashOf(std::uint32_t parent, std::string_view segment) {
  const std::uint64_t text = std::hash<std::string_view>{}(segment);
  // Mix the parent in so that equal segments under different parents spread out.
  std::uint64_t mixed = text ^ (static_cast<std::uint64_t>(parent) + 0x9E3779B97F4A7C15ULL + (text << 6) + (text >> 2));
  mixed ^= mixed >> 33;
  mixed *= 0xFF51AFD7ED558CCDULL;
  mixed ^= mixed >> 33;
  return mixed;
}

std::size_t PathSegmentIndex::SlotOf(std::uint64_t hash, std::uint32_t parent, std::string_view segment) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.id == kAbsent) return at;
    if (slot.hash == hash && slot.parent == parent &&
        std::string_view(texts_).substr(slot.text, slot.length) == segment) {
      return at;
    }
  }
}

std::uint32_t PathSegmentIndex::Find(std::uint32_t parent, std::string_view segment) const {
  if (slots_.empty()) return kAbsent;
  return slots_[SlotOf(HashOf(parent, segment), parent, segment)].id;
}

std::uint32_t PathSegmentIndex::FindOrAdd(std::uint32_t parent, std::string_view segment, bool& created) {
  if (slots_.empty()) Clear();
  const std::uint64_t hash = HashOf(parent, segment);
  std::size_t at = SlotOf(hash, parent, segment);
  created = slots_[at].id == kAbsent;
  if (!created) return slots_[at].id;
  // At most half full, so that probes stay short and a free slot always exists.
  if ((next_id_ + 1) * 2 > slots_.size()) {
    Grow();
    at = SlotOf(hash, parent, segment);
  }
  slots_[at] = Slot{hash, parent, next_id_, texts_.size(), segment.size()};
  texts_.append(segment);
  return next_id_++;
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
