#include "app/game_line_look.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kUnknownPrefix = "[???ms] ";
constexpr std::string_view kWaitingPrefix = "[*]";
// A longer number is no time the ping can measure within a day.
constexpr std::size_t kMaxDigits = 9;

}  // namespace

std::optional<std::int64_t> ShownPingMs(std::string_view line) {
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::int64_t ms = 0;
  std::size_t at = 1;
  while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
    ms = ms * 10 + (line[at] - '0');
    ++at;
  }
  const std::size_t digits = at - 1;
  if (digits == 0 || digits > kMaxDigits || line.substr(at, 4) != "ms] ") return std::nullopt;
  return ms;
}

PingBand BandOfLine(std::string_view line) {
  if (const auto ms = ShownPingMs(line)) {
    if (*ms <= kFastUpToMs) return PingBand::kFast;
    if (*ms <= kMediumUpToMs) return PingBand::kMedium;
    return PingBand::kSlow;
  }
  if (line.starts_with(kUnknownPrefix)) return PingBand::kUnknown;
  // "[*]" and whatever else a line may hold: no time known.
  return line.starts_with(kWaitingPrefix) ? PingBand::kWaiting : PingBand::kUnknown;
}

Rgb BandColour(PingBand band) {
  switch (band) {
    case PingBand::kFast:
      return kFastColour;
    case PingBand::kMedium:
      return kMediumColour;
    case PingBand::kSlow:
      return kSlowColour;
    case PingBand::kUnknown:
      return kUnknownColour;
    case PingBand::kWaiting:
      return kWaitingColour;
  }
  return kUnknownColour;
}

ItemStyle GameLineStyle(std::string_view line, bool favourite) {
  return ItemStyle{BandColour(BandOfLine(line)), favourite};
}

}  // namespace lobbyfind::app
