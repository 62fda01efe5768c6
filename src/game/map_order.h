// The order of the map catalogue: case-insensitive comparison of 8-bit text
// (Windows-1252) as a Western Windows locale compares, so that the index the
// game stores names the same map here. Letters compare by their base letter
// first (accents and case aside), accents decide next; symbols come before
// digits and digits before letters; hyphens and apostrophes count only when
// all else is equal. Case never decides: "Docks" and "DOCKS" are equal.
#pragma once

#include <string_view>

namespace lobbyfind::game {

// Negative, zero or positive as `a` sorts before, equal to or after `b`.
[[nodiscard]] int CompareMapNames(std::string_view a, std::string_view b);

}  // namespace lobbyfind::game
