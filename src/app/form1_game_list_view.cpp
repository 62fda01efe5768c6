// The game list at a glance: the filter box, sorting by time and the
// favourites' context menu. Each option is stored the moment it changes.
#include "app/form1.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kAddFavourite = "Add to favourites";
constexpr std::string_view kRemoveFavourite = "Remove from favourites";

}  // namespace

GameListSource TForm1::GameSource() const {
  static const std::vector<std::string> kNone;
  if (!presence_) return {kNone, kNone, kNone, kNone};
  const auto& games = presence_->game_list();
  return {games.ListBox1(), games.servernames(), games.servermaps(), games.serverips()};
}

void TForm1::ApplyGameListRules() {
  GameListRules rules;
  rules.filter = view_.Text(Control::gamefilter);
  rules.sort_by_time = view_.Checked(Control::sortgamesbytime);
  rules.favourites = &favourites_;
  shown_games_.SetRules(GameSource(), std::move(rules));
}

void TForm1::LoadGameListOptions() {
  std::string stored;
  if (config_->ReadString(kKeyFavourites, stored)) {
    favourites_ = Favourites::Decode(stored);
    ApplyGameListRules();
  }
  std::int32_t flag = 0;
  if (config_->ReadInteger(kKeySortByTime, flag)) {
    PutChecked(Control::sortgamesbytime, flag != 0);
  }
}

void TForm1::gamefilterChange() { ApplyGameListRules(); }

void TForm1::sortgamesbytimeClick() {
  ApplyGameListRules();
  StoreCheckBox(Control::sortgamesbytime, kKeySortByTime);
}

void TForm1::ListBox1ContextMenu(int line) {
  Reporting([&] {
    const auto server = shown_games_.ServerOfLine(line);
    const auto source = GameSource();
    if (!server || *server >= source.names.size()) return;
    // Copied: the menu runs the event loop, and a new list may come meanwhile.
    const std::string name = source.names[*server];
    const bool favourite = favourites_.Contains(name);
    const auto chosen = view_.PopupMenu({std::string(favourite ? kRemoveFavourite : kAddFavourite)});
    if (!chosen) return;
    favourites_.Toggle(name);
    ApplyGameListRules();
    if (!config_) return;
    config_->WriteString(kKeyFavourites, favourites_.Encode());
    SaveConfigOrFail();
  });
}

}  // namespace lobbyfind::app
