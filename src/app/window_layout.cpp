#include "app/window_layout.h"

#include <array>

#include "app/control_texts.h"
#include "app/site_links.h"

namespace lobbyfind::app {
namespace {

using K = ControlKind;
using C = Control;

constexpr std::array<std::string_view, 3> kGameModes = {"Fragspiel", "Punktespiel", "Reihenspiel"};
constexpr FontStyle kNewsFont{"Courier New", 8, true};
constexpr FontStyle kChatFont{"MS Sans Serif", 8, false};

constexpr std::string_view kNews = "lobbyfind - online news";
constexpr std::string_view kLogin = "Login to lobbyfind's";
constexpr std::string_view kIrc = "Internet Relay Chat";
constexpr std::string_view kServers = "Running Servers";
constexpr std::string_view kGame = "Create Game Options";
constexpr std::string_view kGeneral = "General Options";
constexpr std::string_view kNotifications = "Notifications";

const Placement kLayout[] = {
    // Start page
    {C::tab_Start, "", K::Frame, "", kNews, {8, 6, 340, 396}},
    {C::tab_Start, kNews, K::RichText, "onlinenews", "", {18, 26, 304, 322}, C::onlinenews, {}, 0, 0, 0, kNewsFont},
    // Framing the pane: placed around it at creation, drawn behind it.
    {C::tab_Start, kNews, K::Label, "newsbackgroundlabel", "", {0, 0, 0, 0}, C::newsbackgroundlabel},
    {C::tab_Start, kNews, K::Button, "NewsButton", "News", {18, 360, 75, 25}},
    {C::tab_Start, "", K::Frame, "", kLogin, {356, 6, 322, 220}},
    {C::tab_Start, kLogin, K::Label, "", "Nickname", {14, 30, 0, 16}},
    {C::tab_Start, kLogin, K::Edit, "currentplayername", "currentplayername", {100, 26, 206, 22},
     C::currentplayername},
    {C::tab_Start, kLogin, K::Label, "", "Password *", {14, 62, 0, 16}},
    {C::tab_Start, kLogin, K::PasswordEdit, "Edit4", "", {100, 58, 206, 22}, C::Edit4},
    {C::tab_Start, kLogin, K::Button, "Button7", "Login", {100, 92, 75, 25}, C::Button7},
    {C::tab_Start, kLogin, K::Label, "", "* Note : You do not need to use a password, but if your nick is",
     {14, 132, 296, 36}},
    {C::tab_Start, kLogin, K::Label, "", "registered already, you need a password.", {14, 170, 296, 20}},
    {C::tab_Start, "", K::Button, "FaqButton", "FAQ", {356, 240, 75, 25}},
    {C::tab_Start, "", K::Button, "WwwButton", "WWW", {437, 240, 75, 25}},
    {C::tab_Start, "", K::Button, "SecondSiteButton", kSecondHost, {518, 240, 160, 25}},

    // Internet games page
    {C::tab_Internetgames, "", K::Frame, "", kIrc, {8, 4, 670, 246}},
    {C::tab_Internetgames, kIrc, K::RichText, "chatlog", "", {8, 20, 500, 190}, C::chatlog, {}, 0, 0, 0, kChatFont},
    {C::tab_Internetgames, kIrc, K::Label, "", "Players", {516, 18, 0, 16}},
    {C::tab_Internetgames, kIrc, K::SortedList, "ListBox2", "", {516, 34, 146, 124}, C::ListBox2},
    {C::tab_Internetgames, kIrc, K::Label, "playershint", "", {516, 160, 146, 56}, C::playershint},
    {C::tab_Internetgames, kIrc, K::Edit, "Edit3", kChatInputPlaceholder, {8, 216, 500, 22}, C::Edit3},
    {C::tab_Internetgames, "", K::Frame, "", kServers, {8, 254, 670, 148}},
    {C::tab_Internetgames, kServers, K::List, "ListBox1", "", {8, 20, 500, 118}, C::ListBox1},
    {C::tab_Internetgames, kServers, K::Button, "Button1", "Connect", {516, 20, 100, 25}, C::Button1},
    {C::tab_Internetgames, kServers, K::Button, "Button4", "Host a game", {516, 52, 100, 25}, C::Button4},
    {C::tab_Internetgames, kServers, K::Label, "", "Hint : Connect, with Dbl-Click", {516, 90, 0, 16}},
    // Narrowing and ordering the game list, below the hint.
    {C::tab_Internetgames, kServers, K::Edit, "gamefilter", "", {516, 112, 56, 22}, C::gamefilter, {}, 0, 0, 0, {},
     "Filter"},
    {C::tab_Internetgames, kServers, K::CheckBox, "sortgamesbytime", "Sort by time", {576, 114, 90, 18},
     C::sortgamesbytime},

    // Options page
    {C::tab_Options, "", K::Frame, "", kGame, {8, 6, 330, 236}},
    {C::tab_Options, kGame, K::Label, "", "Gamemode", {14, 30, 0, 16}},
    {C::tab_Options, kGame, K::DropDown, "currentgamemode", "", {110, 26, 200, 22}, C::currentgamemode, kGameModes},
    {C::tab_Options, kGame, K::Label, "", "Gamespeed", {14, 64, 0, 16}},
    {C::tab_Options, kGame, K::TrackBar, "currentgamespeed", "", {110, 58, 200, 30}, C::currentgamespeed, {}, 0, 2, 1},
    {C::tab_Options, kGame, K::Label, "", "Fraglimit", {14, 100, 0, 16}},
    {C::tab_Options, kGame, K::SpinBox, "currentfraglimit", "", {110, 96, 120, 22}, C::currentfraglimit},
    {C::tab_Options, kGame, K::Label, "", "Scorelimit", {14, 132, 0, 16}},
    {C::tab_Options, kGame, K::SpinBox, "currentscorelimit", "", {110, 128, 120, 22}, C::currentscorelimit},
    {C::tab_Options, kGame, K::Label, "", "Gametime", {14, 164, 0, 16}},
    {C::tab_Options, kGame, K::SpinBox, "currentgametimelimit", "", {110, 160, 120, 22}, C::currentgametimelimit},
    {C::tab_Options, kGame, K::CheckBox, "currentpoliceenabled", "Police enabled", {14, 198, 200, 18},
     C::currentpoliceenabled},
    {C::tab_Options, "", K::Frame, "", kGeneral, {346, 6, 332, 236}},
    {C::tab_Options, kGeneral, K::Label, "", "gta-Directory", {14, 30, 0, 16}},
    {C::tab_Options, kGeneral, K::ReadOnlyEdit, "currentgtadirectory", "currentgtadirectory", {14, 48, 266, 22},
     C::currentgtadirectory},
    {C::tab_Options, kGeneral, K::Button, "Button6", "...", {286, 47, 30, 24}, C::Button6},
    {C::tab_Options, kGeneral, K::CheckBox, "currentshowplayernames", "Show player names", {14, 84, 300, 18},
     C::currentshowplayernames},
    {C::tab_Options, kGeneral, K::CheckBox, "timestampinchat", "Show timestamp in lobbyfind-chat", {14, 110, 300, 18},
     C::timestampinchat},
    {C::tab_Options, kGeneral, K::CheckBox, "keepselectionafterwhisper", "Keep selection after whispering",
     {14, 136, 300, 18}, C::keepselectionafterwhisper},
    {C::tab_Options, kGeneral, K::Label, "", "Serverlist refreshs (in ms) ", {14, 174, 0, 16}},
    {C::tab_Options, kGeneral, K::SpinBox, "serverlistrefreshtime", "", {190, 170, 120, 22},
     C::serverlistrefreshtime},
    // Port mapping through the home router, and asking the directory whether
    // this computer can be reached from the internet.
    {C::tab_Options, kGeneral, K::CheckBox, "upnp", kUpnpCaption, {14, 206, 196, 18}, C::upnp},
    {C::tab_Options, kGeneral, K::Button, "CheckPortsButton", "Check my ports", {216, 203, 100, 25}},
    // Notifications, below the game's options
    {C::tab_Options, "", K::Frame, "", kNotifications, {8, 248, 330, 100}},
    {C::tab_Options, kNotifications, K::Label, "", "While lobbyfind is in the background, tell me of", {14, 20, 0, 16}},
    {C::tab_Options, kNotifications, K::CheckBox, "notifynewgames", "a new game in the list", {14, 40, 300, 18},
     C::notifynewgames},
    {C::tab_Options, kNotifications, K::CheckBox, "notifywhispers", "a whisper to me", {14, 58, 300, 18},
     C::notifywhispers},
    {C::tab_Options, kNotifications, K::CheckBox, "notifymynick", "my nickname named in the chat", {14, 76, 300, 18},
     C::notifymynick},
};

}  // namespace

std::span<const Placement> WindowLayout() { return kLayout; }

const Placement* FindPlacement(std::string_view name) {
  for (const Placement& placement : kLayout) {
    if (!name.empty() && placement.name == name) return &placement;
  }
  return nullptr;
}

}  // namespace lobbyfind::app
