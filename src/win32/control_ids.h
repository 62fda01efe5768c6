// The child-window ids of the main window's controls, and their names as the
// program knows them, so that a driver can find a control by name
// (GetDlgItem on the page that holds it, or EnumChildWindows and
// GetDlgCtrlID). A spin box is its edit; its arrows have an id of their own.
#pragma once

#include <array>
#include <string_view>

#include "app/view.h"

namespace lobbyfind::win32 {

inline constexpr int kControlIdBase = 100;
inline constexpr int kSpinArrowsIdBase = 300;

// Controls the core does not know by name: the link buttons and the banner.
inline constexpr int kNewsButtonId = 200;
inline constexpr int kFaqButtonId = 201;
inline constexpr int kWwwButtonId = 202;
inline constexpr int kSecondSiteButtonId = 203;
inline constexpr int kBannerId = 204;
inline constexpr int kCheckPortsButtonId = 205;

[[nodiscard]] constexpr int ControlId(app::Control c) { return kControlIdBase + static_cast<int>(c); }
[[nodiscard]] constexpr int SpinArrowsId(app::Control c) { return kSpinArrowsIdBase + static_cast<int>(c); }

struct NamedControl {
  std::string_view name;
  int id;
};

using app::Control;
inline constexpr std::array kControlNames = {
    NamedControl{"PageControl1", ControlId(Control::PageControl1)},
    NamedControl{"tab_Start", ControlId(Control::tab_Start)},
    NamedControl{"tab_Internetgames", ControlId(Control::tab_Internetgames)},
    NamedControl{"tab_Options", ControlId(Control::tab_Options)},
    NamedControl{"onlinenews", ControlId(Control::onlinenews)},
    NamedControl{"newsbackgroundlabel", ControlId(Control::newsbackgroundlabel)},
    NamedControl{"currentplayername", ControlId(Control::currentplayername)},
    NamedControl{"Edit4", ControlId(Control::Edit4)},
    NamedControl{"Button7", ControlId(Control::Button7)},
    NamedControl{"chatlog", ControlId(Control::chatlog)},
    NamedControl{"ListBox2", ControlId(Control::ListBox2)},
    NamedControl{"playershint", ControlId(Control::playershint)},
    NamedControl{"Edit3", ControlId(Control::Edit3)},
    NamedControl{"ListBox1", ControlId(Control::ListBox1)},
    NamedControl{"Button1", ControlId(Control::Button1)},
    NamedControl{"Button4", ControlId(Control::Button4)},
    NamedControl{"currentgamemode", ControlId(Control::currentgamemode)},
    NamedControl{"currentgamespeed", ControlId(Control::currentgamespeed)},
    NamedControl{"currentfraglimit", ControlId(Control::currentfraglimit)},
    NamedControl{"currentscorelimit", ControlId(Control::currentscorelimit)},
    NamedControl{"currentgametimelimit", ControlId(Control::currentgametimelimit)},
    NamedControl{"currentpoliceenabled", ControlId(Control::currentpoliceenabled)},
    NamedControl{"currentgtadirectory", ControlId(Control::currentgtadirectory)},
    NamedControl{"Button6", ControlId(Control::Button6)},
    NamedControl{"currentshowplayernames", ControlId(Control::currentshowplayernames)},
    NamedControl{"timestampinchat", ControlId(Control::timestampinchat)},
    NamedControl{"keepselectionafterwhisper", ControlId(Control::keepselectionafterwhisper)},
    NamedControl{"serverlistrefreshtime", ControlId(Control::serverlistrefreshtime)},
    NamedControl{"upnp", ControlId(Control::upnp)},
    NamedControl{"StatusBar", ControlId(Control::StatusBar)},
    NamedControl{"notifynewgames", ControlId(Control::notifynewgames)},
    NamedControl{"notifywhispers", ControlId(Control::notifywhispers)},
    NamedControl{"notifymynick", ControlId(Control::notifymynick)},
    NamedControl{"gamefilter", ControlId(Control::gamefilter)},
    NamedControl{"sortgamesbytime", ControlId(Control::sortgamesbytime)},
    NamedControl{"NewsButton", kNewsButtonId},
    NamedControl{"FaqButton", kFaqButtonId},
    NamedControl{"WwwButton", kWwwButtonId},
    NamedControl{"SecondSiteButton", kSecondSiteButtonId},
    NamedControl{"banner", kBannerId},
    NamedControl{"CheckPortsButton", kCheckPortsButtonId},
};

// The id of a control's name; 0 when there is none.
[[nodiscard]] constexpr int ControlIdByName(std::string_view name) {
  for (const NamedControl& control : kControlNames) {
    if (control.name == name) return control.id;
  }
  return 0;
}

// The main window's class and caption, by which a driver finds it.
inline constexpr const char* kMainWindowClass = "lobbyfind.TForm1";

}  // namespace lobbyfind::win32
