#include "app/notifications.h"

#include "app/chat_room.h"

namespace lobbyfind::app {
namespace {

// Letters, digits and the special characters IRC allows in a nickname: a
// neighbour of one of these makes the match part of a longer name.
bool NickCharacter(char c) {
  const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  return alnum || std::string_view("[]\\`_^{|}-").find(c) != std::string_view::npos;
}

bool SameNick(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool Quiet(std::string_view from, const NoticeMoment& at) {
  return !at.wanted || at.window_active || SameNick(from, at.own_nick);
}

}  // namespace

bool NamesNickname(std::string_view text, std::string_view nick) {
  if (nick.empty() || text.size() < nick.size()) return false;
  for (std::size_t at = 0; at + nick.size() <= text.size(); ++at) {
    if (!SameNick(text.substr(at, nick.size()), nick)) continue;
    const bool starts_word = at == 0 || !NickCharacter(text[at - 1]);
    const std::size_t end = at + nick.size();
    const bool ends_word = end == text.size() || !NickCharacter(text[end]);
    if (starts_word && ends_word) return true;
  }
  return false;
}

std::vector<Notice> NotificationRules::GamesListed(const std::vector<std::string>& names,
                                                   const std::vector<std::string>& maps,
                                                   const NoticeMoment& at) {
  const bool baseline = !first_list_seen_;
  first_list_seen_ = true;
  std::vector<std::size_t> fresh;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!known_games_.insert(names[i]).second) continue;
    if (baseline || !at.wanted || at.window_active || SameNick(names[i], at.own_nick)) continue;
    fresh.push_back(i);
  }
  if (fresh.size() > kSingleGameNotices) {
    std::string all;
    for (const std::size_t i : fresh) all += (all.empty() ? "" : ", ") + names[i];
    return {{std::to_string(fresh.size()) + " new games", all}};
  }
  std::vector<Notice> notices;
  for (const std::size_t i : fresh) {
    const bool has_map = i < maps.size() && !maps[i].empty();
    notices.push_back({"New game: " + names[i], has_map ? names[i] + " plays " + maps[i] : names[i]});
  }
  return notices;
}

std::optional<Notice> NotificationRules::WhisperArrived(std::string_view from, std::string_view content,
                                                        const NoticeMoment& at) {
  if (Quiet(from, at)) return std::nullopt;
  return Notice{std::string(from) + " whispers", std::string(content)};
}

std::optional<Notice> NotificationRules::ChannelMessage(std::string_view from, std::string_view content,
                                                        const NoticeMoment& at) {
  if (Quiet(from, at) || !NamesNickname(content, at.own_nick)) return std::nullopt;
  return Notice{std::string(from) + " in #" + std::string(kChatChannel), std::string(content)};
}

}  // namespace lobbyfind::app
