// When the lobby tells the user of something while its window is in the
// background: a new game in the list, a whisper, the user's nickname named in
// the channel. Pure rules; the edition's Notifier shows what they decide.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lobbyfind::app {

struct Notice {
  std::string title;
  std::string text;
  friend bool operator==(const Notice&, const Notice&) = default;
};

// The moment an event arrives: who the user is and whether the window is in
// front (no notification then), and whether the user wants this kind.
struct NoticeMoment {
  std::string_view own_nick;
  bool window_active = false;
  bool wanted = true;
};

// True when `text` names `nick` as a word of its own: IRC compares nicknames
// with the letters A to Z in either case, and a nickname inside a longer
// word ("bobby" for "bob") is not the user.
[[nodiscard]] bool NamesNickname(std::string_view text, std::string_view nick);

class NotificationRules {
 public:
  // More new games than this in one list make one notice for all of them,
  // so a directory coming back after a break does not flood the desktop.
  static constexpr std::size_t kSingleGameNotices = 3;

  // A new server list (names and maps index-aligned). Each game is told of
  // at most once: a game counts as known once it was listed while the window
  // was in front, once it was told of, and every game of the first list
  // (which is what the user finds on logging in, not something new). The
  // user's own game (listed under the nickname) is never told of.
  [[nodiscard]] std::vector<Notice> GamesListed(const std::vector<std::string>& names,
                                                const std::vector<std::string>& maps, const NoticeMoment& at);

  // A private message to the user; none for the user's own.
  [[nodiscard]] static std::optional<Notice> WhisperArrived(std::string_view from, std::string_view content,
                                                            const NoticeMoment& at);

  // A channel line that names the user's nickname; none for the user's own.
  [[nodiscard]] static std::optional<Notice> ChannelMessage(std::string_view from, std::string_view content,
                                                            const NoticeMoment& at);

 private:
  // Asked once per server of every list: hashed, not ordered.
  std::unordered_set<std::string> known_games_;
  bool first_list_seen_ = false;
};

}  // namespace lobbyfind::app
