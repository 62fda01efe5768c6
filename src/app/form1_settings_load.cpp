// The one-shot settings load that fills the Options page from
// "lobbyfind.ini" and the game's settings, and the game-directory prompt.
#include <filesystem>
#include <system_error>

#include "app/form1.h"
#include "app/game_folder.h"
#include "app/network_settings.h"
#include "app/program_version.h"
#include "app/spin_box.h"
#include "game/game_files.h"
#include "game/game_settings.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kLoadStatus = "Update Config";
constexpr std::string_view kBrowseTitle = "Type in your GTA-Directory";
// A generated player name: this, then a number from 1 to 100.
constexpr std::string_view kGeneratedNamePrefix = "lobbyfind";

bool HasGameExecutable(const std::filesystem::path& folder) {
  std::error_code error;
  return std::filesystem::is_regular_file(folder / game::kGameExecutable, error);
}

}  // namespace

void TForm1::updateconfigTimer() {
  // Disabled first, so the load runs exactly once, even when it fails.
  updateconfig_->SetEnabled(false);
  // The game's settings as the registry holds them now (a running Wine
  // writes its file back only now and then). A failure ends the load at its
  // step: the later steps, the version check and the news request included,
  // are skipped for this run.
  deps_.game->RefreshSettings([this, alive = std::weak_ptr<const bool>(alive_)] {
    if (!alive.expired()) Reporting([this] { LoadSettings(); });
  });
}

void TForm1::LoadSettings() {
  SetStatus(kLoadStatus, 10);
  std::int32_t flag = 0;
  if (config_->ReadInteger(kKeyShowTimestamp, flag)) {
    PutChecked(Control::timestampinchat, flag != 0);
  }
  if (config_->ReadInteger(kKeyKeepSelection, flag)) {
    PutChecked(Control::keepselectionafterwhisper, flag != 0);
  }
  // The mapping started with the program already: showing it starts nothing.
  view_.SetChecked(Control::upnp, PortMappingWanted(*config_));
  LoadNotificationChoices();
  LoadGameListOptions();
  std::string directory;
  if (config_->ReadString(kKeyGtaDir, directory)) {
    view_.SetText(Control::currentgtadirectory, directory);
    deps_.game->UseGtaDir(view_.Text(Control::currentgtadirectory));
  }
  // Without a stored directory the field shows its initial text, so a first
  // start always asks.
  if (!HasGameExecutable(view_.Text(Control::currentgtadirectory))) {
    AskGameDirectory();
  }

  SetStatus(kLoadStatus, 15);
  PutPosition(Control::currentgamespeed, deps_.game->GetGameSpeed());

  SetStatus(kLoadStatus, 20);
  PutText(Control::currentplayername, deps_.game->GetPlayerName());
  if (view_.Text(Control::currentplayername).empty()) {
    PutText(Control::currentplayername,
            std::string(kGeneratedNamePrefix) + std::to_string(random_.DrawNameNumber()));
  }
  if (irc_client_) {
    const std::string name = view_.Text(Control::currentplayername);
    irc_client_->SetNickname(name);
    irc_client_->SetRealName(name);
  }

  SetStatus(kLoadStatus, 25);
  SetSpinValue(Control::currentfraglimit, deps_.game->GetFragLimit());
  SetStatus(kLoadStatus, 30);
  PutChecked(Control::currentshowplayernames, deps_.game->GetShowPlayerNames());
  SetStatus(kLoadStatus, 40);
  SetSpinValue(Control::currentscorelimit, deps_.game->GetScoreLimit());
  SetStatus(kLoadStatus, 60);
  SetSpinValue(Control::currentgametimelimit, deps_.game->GetGameTimeLimit());
  SetStatus(kLoadStatus, 80);
  // Choosing the item in code is no user's choice: nothing is written back.
  view_.SetPosition(Control::currentgamemode, deps_.game->GetGameType());
  SetStatus(kLoadStatus, 90);
  PutChecked(Control::currentpoliceenabled, deps_.game->GetPolice());

  SetStatus(kLoadStatus, 100);
  if (CheckVersion) {
    CheckVersion(kProgramVersion);
  }
  if (RequestNews) {
    RequestNews();
  }
}

void TForm1::Button6Click() {
  Reporting([this] { AskGameDirectory(); });
}

void TForm1::AskGameDirectory() {
  const auto chosen = view_.BrowseFolder(kBrowseTitle);
  if (!chosen) {
    return;
  }
  const std::string folder = GameFolderAsKept(*chosen);
  std::error_code error;
  // A wrong choice is ignored without a word; the user may click again.
  if (!std::filesystem::is_directory(folder, error) || !HasGameExecutable(folder)) {
    return;
  }
  view_.SetText(Control::currentgtadirectory, folder);
  deps_.game->UseGtaDir(view_.Text(Control::currentgtadirectory));
  config_->WriteString(kKeyGtaDir, folder);
  SaveConfigOrFail();
}

std::string GameFolderAsKept(std::string folder) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  const auto drive_root = [&] { return folder.size() == 3 && folder[1] == ':' && !separator(folder[0]); };
  while (folder.size() > 1 && separator(folder.back()) && !drive_root()) {
    folder.pop_back();
  }
  return folder;
}

}  // namespace lobbyfind::app
