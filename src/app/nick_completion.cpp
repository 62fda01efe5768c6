#include "app/nick_completion.h"

#include "app/chat_room.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kModeSigns = "@+%~&";

std::string_view WithoutModeSign(std::string_view name) {
  while (!name.empty() && kModeSigns.find(name.front()) != std::string_view::npos) name.remove_prefix(1);
  return name;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

}  // namespace

std::optional<std::string> NickCompletion::Complete(std::string_view input,
                                                    const std::vector<std::string>& players,
                                                    std::string_view own_nick) {
  if (shown_.empty() || input != shown_) {
    // A fresh completion of what the user typed last.
    const std::size_t space = input.find_last_of(' ');
    const std::size_t word_start = space == std::string_view::npos ? 0 : space + 1;
    head_ = std::string(input.substr(0, word_start));
    word_ = std::string(input.substr(word_start));
    next_ = 0;
  }
  shown_.clear();
  if (word_.empty()) return std::nullopt;
  std::vector<std::string_view> fits;
  for (const std::string& player : players) {
    const std::string_view name = WithoutModeSign(player);
    if (StartsWithIgnoringCase(name, word_) && !SameIgnoringCase(name, own_nick)) fits.push_back(name);
  }
  if (fits.empty()) return std::nullopt;
  const std::string_view name = fits[next_ % fits.size()];
  next_ = next_ % fits.size() + 1;
  shown_ = head_ + std::string(name) + (head_.empty() ? ": " : " ");
  return shown_;
}

}  // namespace lobbyfind::app
