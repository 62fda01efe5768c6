// The game list as the user sees it: which servers' lines the list shows and
// in which order (a filter on name and map, favourites first, optionally
// sorted by time), each line's look, and which server a shown line stands
// for. The full, index-aligned lists stay the game list's own; this keeps
// only the mapping from shown line to server index.
//
// With no filter, no sort and no favourite the shown lines are the full list
// in the directory's order, put into the view exactly as before.
//
// A long list goes into the view in slices, one per turn of the event loop,
// so that thousands of servers never freeze the window; a short one goes in
// at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/favourites.h"
#include "app/view.h"
#include "ports/timer.h"

namespace lobbyfind::app {

// The full lists of the last server list, index-aligned.
struct GameListSource {
  const std::vector<std::string>& lines;
  const std::vector<std::string>& names;
  const std::vector<std::string>& maps;
  const std::vector<std::string>& ips;
};

// How the shown list is chosen and ordered.
struct GameListRules {
  // Shown text (UTF-8) the name or the map must contain, ignoring case;
  // empty shows every line.
  std::string filter;
  bool sort_by_time = false;
  const Favourites* favourites = nullptr;
};

// True when `text` (any bytes, read as they are shown) contains `part`
// (UTF-8), letters compared without case.
[[nodiscard]] bool ContainsIgnoringCase(std::string_view text, std::string_view part);

// The server indexes to show, in order: favourites first, then the others;
// within each, the directory's order, or with `sort_by_time` the known
// times ascending, then the answers without a time, then the servers still
// awaited. `known_ms` holds a time per server where the line itself shows
// none (kept from an earlier answer), so a refresh does not reshuffle the list.
[[nodiscard]] std::vector<std::size_t> ArrangeServers(
    const GameListSource& source, const GameListRules& rules,
    const std::vector<std::optional<std::int64_t>>& known_ms);

class GameListViewModel {
 public:
  // Lines put into the view in one go. A list up to this long is shown at
  // once; a longer one a slice per turn of the event loop, from the turn
  // after it was replaced. A slice costs the Qt list about a millisecond,
  // so ten thousand lines are in before the game list's requests to them
  // have gone out.
  static constexpr std::size_t kLinesPerSlice = 1000;

  explicit GameListViewModel(View& view, Control list = Control::ListBox1);

  // Paces the slices of a long list (interval 0: the next turn of the event
  // loop); without it every list is shown at once.
  void SetSliceTimer(std::unique_ptr<ports::Timer> slices);
  // True once every shown line is in the view.
  [[nodiscard]] bool Filled() const { return filled_ == shown_.size(); }

  // A new server list replaced every line. The server the user picked stays
  // picked while it is listed and shown: the list is refilled on every tick,
  // and were the pick dropped with the old lines, "Connect" would find
  // nothing picked most of the time, or a pick could land on another server.
  void ListReplaced(const GameListSource& source);
  // Which servers of the next list the directory could not reach, aligned
  // with the list; their shown lines are marked (View::MarkUnreachable).
  void SetUnreachable(std::vector<bool> unreachable) { unreachable_ = std::move(unreachable); }
  // One server's line got a new text (its answer arrived).
  void LineChanged(const GameListSource& source, std::size_t server);
  // The rules changed; the selection stays on its server.
  void SetRules(const GameListSource& source, GameListRules rules);
  [[nodiscard]] const GameListRules& rules() const { return rules_; }

  // The server a shown line stands for; nothing for a line not shown (or
  // not in the view yet).
  [[nodiscard]] std::optional<std::size_t> ServerOfLine(int line) const;
  [[nodiscard]] const std::vector<std::size_t>& shown() const { return shown_; }

 private:
  void Show(const GameListSource& source, const std::optional<std::string>& selected);
  // Puts the next slice of the shown lines into the view (all of them
  // without a timer), with their looks, marks and the kept selection.
  void FillSlice();
  // The key of the server on the selected line; nothing when none is.
  [[nodiscard]] std::optional<std::string> SelectedKey() const;
  [[nodiscard]] bool IsFavourite(const GameListSource& source, std::size_t server) const;
  // Takes the times the new list's servers last showed, by name and address.
  void CarryTimes(const GameListSource& source);
  // True when `line` still sits between its neighbours in the sorted order.
  [[nodiscard]] bool InOrder(const GameListSource& source, std::size_t line) const;

  View& view_;
  Control list_;
  GameListRules rules_;
  std::vector<std::size_t> shown_;
  // Per server of the list, its shown line: an answer finds its line at once.
  static constexpr std::size_t kNotShown = static_cast<std::size_t>(-1);
  std::vector<std::size_t> line_of_;
  std::vector<bool> unreachable_;
  // Per shown line, its server's name and address: what identifies a game
  // across refreshes, when the indexes mean other servers.
  std::vector<std::string> shown_keys_;
  // The last time each server of the current list showed, index-aligned
  // with it, so that a sorted list keeps its order while a refresh awaits the
  // new answers; carried from list to list by name and address.
  std::vector<std::optional<std::int64_t>> known_ms_;
  // The lists being shown, kept while their lines go into the view: the
  // game list owns them and they outlive every slice. A slice takes each
  // line's text as it is then, so an answer meanwhile is not lost.
  std::optional<GameListSource> source_;
  // How many shown lines are in the view; the rest follow in slices.
  std::size_t filled_ = 0;
  // The key of the picked game while its line is not in the view yet.
  std::optional<std::string> pending_selected_;
  std::unique_ptr<ports::Timer> slices_;
};

}  // namespace lobbyfind::app
