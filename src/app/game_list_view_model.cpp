#include "app/game_list_view_model.h"

#include <algorithm>
#include <tuple>

#include "app/code_page.h"
#include "app/game_line_look.h"
#include "app/screen_text.h"

namespace lobbyfind::app {
namespace {

// Case folding of the letters a server name is likely to hold: ASCII and the
// Latin-1 letters (which Windows-1252 names become on screen).
char32_t Folded(char32_t code) {
  if (code >= U'A' && code <= U'Z') return code + 32;
  if (code >= 0xC0 && code <= 0xDE && code != 0xD7) return code + 32;
  return code;
}

std::u32string FoldedCodes(std::string_view utf8) {
  std::u32string codes;
  std::size_t at = 0;
  while (at < utf8.size()) {
    if (const auto code = NextUtf8(utf8, at)) {
      codes.push_back(Folded(*code));
    } else {
      ++at;  // ShownText gives valid UTF-8; this only skips defensively
    }
  }
  return codes;
}

std::string KeyOf(const GameListSource& source, std::size_t server) {
  std::string key = source.names[server];
  key.push_back('\0');
  key += source.ips[server];
  return key;
}

// Where a line goes in a list sorted by time: timed lines by their time, then
// answers without a time, then lines still awaited.
std::pair<int, std::int64_t> TimeRank(std::string_view line, std::optional<std::int64_t> known) {
  if (const auto ms = ShownPingMs(line)) return {0, *ms};
  if (known) return {0, *known};
  return {BandOfLine(line) == PingBand::kWaiting ? 2 : 1, 0};
}

}  // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  return FoldedCodes(ShownText(text)).find(FoldedCodes(ShownText(part))) != std::u32string::npos;
}

std::vector<std::size_t> ArrangeServers(const GameListSource& source, const GameListRules& rules,
                                        const std::vector<std::optional<std::int64_t>>& known_ms) {
  std::vector<std::size_t> servers;
  servers.reserve(source.lines.size());
  // The filter is folded once, not once per server.
  const std::u32string needle = FoldedCodes(ShownText(rules.filter));
  const auto matches = [&](const std::string& text) {
    return FoldedCodes(ShownText(text)).find(needle) != std::u32string::npos;
  };
  for (std::size_t i = 0; i < source.lines.size(); ++i) {
    if (needle.empty() || matches(source.names[i]) || matches(source.maps[i])) servers.push_back(i);
  }
  const bool any_favourite = rules.favourites != nullptr && !rules.favourites->Empty();
  if (!any_favourite && !rules.sort_by_time) return servers;  // the directory's order
  std::vector<bool> favourite(source.lines.size(), false);
  if (any_favourite) {
    for (const std::size_t i : servers) favourite[i] = rules.favourites->Contains(source.names[i]);
  }
  const auto known = [&](std::size_t i) { return i < known_ms.size() ? known_ms[i] : std::nullopt; };
  // Stable: equal ranks keep the directory's order.
  std::stable_sort(servers.begin(), servers.end(), [&](std::size_t a, std::size_t b) {
    if (favourite[a] != favourite[b]) return static_cast<bool>(favourite[a]);
    if (!rules.sort_by_time) return false;
    return TimeRank(source.lines[a], known(a)) < TimeRank(source.lines[b], known(b));
  });
  return servers;
}

GameListViewModel::GameListViewModel(View& view, Control list) : view_(view), list_(list) {}

void GameListViewModel::SetSliceTimer(std::unique_ptr<ports::Timer> slices) {
  slices_ = std::move(slices);
  if (!slices_) return;
  slices_->SetEnabled(false);
  slices_->SetInterval(0);  // the next turn of the event loop
  slices_->OnTimer = [this] { FillSlice(); };
}

void GameListViewModel::ListReplaced(const GameListSource& source) {
  const std::optional<std::string> selected = SelectedKey();
  CarryTimes(source);
  Show(source, selected);
}

void GameListViewModel::LineChanged(const GameListSource& source, std::size_t server) {
  if (server >= source.lines.size()) return;
  known_ms_.resize(source.lines.size());
  if (const auto ms = ShownPingMs(source.lines[server])) known_ms_[server] = *ms;
  if (server >= line_of_.size() || line_of_[server] == kNotShown) return;  // filtered out
  const std::size_t line = line_of_[server];
  if (rules_.sort_by_time && !InOrder(source, line)) {
    Show(source, SelectedKey());
    return;
  }
  if (line >= filled_) return;  // its slice takes the new text
  view_.SetItem(list_, static_cast<int>(line), source.lines[server]);
  view_.SetItemStyle(list_, static_cast<int>(line),
                     GameLineStyle(source.lines[server], IsFavourite(source, server)));
}

void GameListViewModel::SetRules(const GameListSource& source, GameListRules rules) {
  const std::optional<std::string> selected = SelectedKey();
  rules_ = std::move(rules);
  Show(source, selected);
}

std::optional<std::size_t> GameListViewModel::ServerOfLine(int line) const {
  if (line < 0 || static_cast<std::size_t>(line) >= filled_) return std::nullopt;
  return shown_[static_cast<std::size_t>(line)];
}

std::optional<std::string> GameListViewModel::SelectedKey() const {
  for (std::size_t line = 0; line < filled_; ++line) {
    if (view_.Selected(list_, static_cast<int>(line))) return shown_keys_[line];
  }
  return pending_selected_;
}

bool GameListViewModel::IsFavourite(const GameListSource& source, std::size_t server) const {
  return rules_.favourites != nullptr && rules_.favourites->Contains(source.names[server]);
}

void GameListViewModel::CarryTimes(const GameListSource& source) {
  std::unordered_map<std::string, std::int64_t> last;
  for (std::size_t line = 0; line < shown_keys_.size(); ++line) {
    const std::size_t server = shown_[line];
    if (server < known_ms_.size() && known_ms_[server]) last.emplace(shown_keys_[line], *known_ms_[server]);
  }
  known_ms_.assign(source.lines.size(), std::nullopt);
  if (last.empty()) return;
  for (std::size_t i = 0; i < known_ms_.size(); ++i) {
    const auto it = last.find(KeyOf(source, i));
    if (it != last.end()) known_ms_[i] = it->second;
  }
}

bool GameListViewModel::InOrder(const GameListSource& source, std::size_t line) const {
  const auto rank = [&](std::size_t at) {
    const std::size_t server = shown_[at];
    return std::tuple(!IsFavourite(source, server), TimeRank(source.lines[server], known_ms_[server]),
                      server);
  };
  return (line == 0 || rank(line - 1) < rank(line)) &&
         (line + 1 == shown_.size() || rank(line) < rank(line + 1));
}

void GameListViewModel::Show(const GameListSource& source, const std::optional<std::string>& selected) {
  known_ms_.resize(source.lines.size());
  shown_ = ArrangeServers(source, rules_, known_ms_);
  line_of_.assign(source.lines.size(), kNotShown);
  for (std::size_t line = 0; line < shown_.size(); ++line) line_of_[shown_[line]] = line;
  shown_keys_.clear();
  shown_keys_.reserve(shown_.size());
  for (const std::size_t server : shown_) shown_keys_.push_back(KeyOf(source, server));
  source_.emplace(source);
  filled_ = 0;
  pending_selected_ = selected;
  // Taking a long list's old lines out of the view costs about as much as
  // all that was done for the new one up to here: the first slice waits
  // for the next turn, so that the two never make one long turn.
  if (slices_ && shown_.size() > kLinesPerSlice) {
    slices_->SetEnabled(true);
    return;
  }
  FillSlice();
}

void GameListViewModel::FillSlice() {
  if (!source_) return;
  const GameListSource& source = *source_;
  const std::size_t begin = filled_;
  const std::size_t end = slices_ ? std::min(shown_.size(), begin + kLinesPerSlice) : shown_.size();
  std::vector<std::string> lines;
  lines.reserve(end - begin);
  for (std::size_t line = begin; line < end; ++line) lines.push_back(source.lines[shown_[line]]);
  if (begin == 0) {
    view_.SetItems(list_, lines);
  } else {
    view_.AddItems(list_, lines);
  }
  filled_ = end;
  for (std::size_t line = begin; line < end; ++line) {
    const std::size_t server = shown_[line];
    view_.SetItemStyle(list_, static_cast<int>(line),
                       GameLineStyle(source.lines[server], IsFavourite(source, server)));
    if (server < unreachable_.size() && unreachable_[server])
      view_.MarkUnreachable(list_, static_cast<int>(line));
  }
  if (pending_selected_) {
    const auto first = shown_keys_.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto at = std::find(first, shown_keys_.begin() + static_cast<std::ptrdiff_t>(end), *pending_selected_);
    if (at != shown_keys_.begin() + static_cast<std::ptrdiff_t>(end)) {
      // Unless the user picked another line meanwhile: that pick wins.
      bool picked_meanwhile = false;
      for (std::size_t line = 0; line < begin && !picked_meanwhile; ++line)
        picked_meanwhile = view_.Selected(list_, static_cast<int>(line));
      if (!picked_meanwhile) view_.SetSelected(list_, static_cast<int>(at - shown_keys_.begin()), true);
      pending_selected_.reset();
    }
  }
  if (Filled()) pending_selected_.reset();  // the picked game is not listed any more
  if (slices_) slices_->SetEnabled(!Filled());
}

}  // namespace lobbyfind::app
