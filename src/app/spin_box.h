// The value rules of the window's spin boxes. A spin box holds the text the
// user typed; its value is the integer in it, or the minimum when the text is
// no integer. Out-of-range values stand while the box has the focus and are
// clamped when it loses it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/view.h"

namespace lobbyfind::app {

struct SpinRange {
  std::int32_t min = 0;
  std::int32_t max = 0;
  std::int32_t initial = 0;
};

// The range and initial value of a spin box; nothing for other controls.
[[nodiscard]] std::optional<SpinRange> SpinBoxRange(Control c);

// The value the text stands for (not clamped).
[[nodiscard]] std::int32_t SpinBoxValue(std::string_view text, const SpinRange& range);

[[nodiscard]] std::int32_t ClampToRange(std::int64_t value, const SpinRange& range);

// The value the arrows give: `steps` on from the value of the typed text,
// kept inside the range, as any spin box's arrows do.
[[nodiscard]] std::int32_t SpinBoxStep(std::string_view text, const SpinRange& range, int steps);

}  // namespace lobbyfind::app
