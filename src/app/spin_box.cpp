#include "app/spin_box.h"

#include <algorithm>

#include "config/config_file.h"

namespace lobbyfind::app {

std::optional<SpinRange> SpinBoxRange(Control c) {
  switch (c) {
    case Control::currentfraglimit:
    case Control::currentscorelimit:
      return SpinRange{0, 999999, 0};
    case Control::currentgametimelimit:
      return SpinRange{0, 60, 0};
    case Control::serverlistrefreshtime:
      return SpinRange{5000, 60000, 5000};
    default:
      return std::nullopt;
  }
}

std::int32_t SpinBoxValue(std::string_view text, const SpinRange& range) {
  std::int32_t value = range.min;
  // Text that is no integer leaves the minimum in place.
  (void)config::ParseInteger(text, value);
  return value;
}

std::int32_t ClampToRange(std::int64_t value, const SpinRange& range) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, range.min, range.max));
}

std::int32_t SpinBoxStep(std::string_view text, const SpinRange& range, int steps) {
  return ClampToRange(static_cast<std::int64_t>(SpinBoxValue(text, range)) + steps, range);
}

}  // namespace lobbyfind::app
