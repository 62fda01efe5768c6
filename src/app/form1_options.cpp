// The option controls' change handlers: every change is stored at once, to
// the game's settings or to "lobbyfind.ini". There is no apply step.
#include "app/form1.h"
#include "app/spin_box.h"
#include "game/game_bridge.h"

namespace lobbyfind::app {
namespace {

// The game's limits are 16-bit values; the setter keeps the low 16 bits. A
// limit that cannot be written is not worth interrupting the user for: the
// game simply keeps its previous limit.
void IgnoreLimitFailure(std::exception_ptr /*failure*/) {}

}  // namespace

void TForm1::RunChangeHandler(Control c) {
  switch (c) {
    case Control::currentplayername: currentplayernameChange(); break;
    case Control::currentgamemode: currentgamemodeChange(); break;
    case Control::currentgamespeed: currentgamespeedChange(); break;
    case Control::currentfraglimit: currentfraglimitChange(); break;
    case Control::currentscorelimit: currentscorelimitChange(); break;
    case Control::currentgametimelimit: currentgametimelimitChange(); break;
    case Control::serverlistrefreshtime: serverlistrefreshtimeChange(); break;
    // A check box changes by being clicked.
    case Control::currentpoliceenabled: currentpoliceenabledClick(); break;
    case Control::currentshowplayernames: currentshowplayernamesClick(); break;
    case Control::timestampinchat: timestampinchatClick(); break;
    case Control::keepselectionafterwhisper: keepselectionafterwhisperClick(); break;
    case Control::upnp: upnpClick(); break;
    case Control::notifynewgames:
    case Control::notifywhispers:
    case Control::notifymynick: StoreNotificationChoice(c); break;
    case Control::gamefilter: gamefilterChange(); break;
    case Control::sortgamesbytime: sortgamesbytimeClick(); break;
    default: break;  // no change handler
  }
}

void TForm1::ControlClicked(Control c) {
  Reporting([&] {
    switch (c) {
      case Control::currentpoliceenabled:
      case Control::currentshowplayernames:
      case Control::timestampinchat:
      case Control::keepselectionafterwhisper:
      case Control::upnp: RunChangeHandler(c); break;
      case Control::notifynewgames:
      case Control::notifywhispers:
      case Control::notifymynick:
      case Control::sortgamesbytime: RunChangeHandler(c); break;
      default: break;
    }
  });
}

void TForm1::ControlKeyUp(Control c) {
  Reporting([&] {
    switch (c) {
      case Control::currentpoliceenabled: currentpoliceenabledKeyUp(); break;
      case Control::currentshowplayernames: currentshowplayernamesKeyUp(); break;
      case Control::timestampinchat: timestampinchatKeyUp(); break;
      case Control::keepselectionafterwhisper: keepselectionafterwhisperKeyUp(); break;
      case Control::upnp: upnpKeyUp(); break;
      // A key released on a check box stores its state again.
      case Control::notifynewgames:
      case Control::notifywhispers:
      case Control::notifymynick: RunChangeHandler(c); break;
      default: break;
    }
  });
}

void TForm1::currentplayernameChange() {
  const std::string name = view_.Text(Control::currentplayername);
  deps_.game->SetPlayerName(name, ShowWriteFailure());
  if (irc_client_) {
    irc_client_->SetNickname(name);  // sent to the server while connected
  }
}

void TForm1::currentgamemodeChange() {
  const int item = view_.Position(Control::currentgamemode);
  if (item >= 0) {
    deps_.game->SetGameType(item, ShowWriteFailure());
  }
}

void TForm1::currentgamespeedChange() {
  deps_.game->SetGameSpeed(view_.Position(Control::currentgamespeed), ShowWriteFailure());
}

void TForm1::currentfraglimitChange() {
  deps_.game->SetFragLimit(SpinValue(Control::currentfraglimit), IgnoreLimitFailure);
}
void TForm1::currentscorelimitChange() {
  deps_.game->SetScoreLimit(SpinValue(Control::currentscorelimit), IgnoreLimitFailure);
}
void TForm1::currentgametimelimitChange() {
  deps_.game->SetGameTimeLimit(SpinValue(Control::currentgametimelimit), IgnoreLimitFailure);
}

void TForm1::currentpoliceenabledClick() {
  deps_.game->SetPolice(view_.Checked(Control::currentpoliceenabled), ShowWriteFailure());
}
// A key released on a check box stores its state again, toggled or not.
void TForm1::currentpoliceenabledKeyUp() { currentpoliceenabledClick(); }

void TForm1::currentshowplayernamesClick() {
  deps_.game->SetShowPlayerNames(view_.Checked(Control::currentshowplayernames), ShowWriteFailure());
}
void TForm1::currentshowplayernamesKeyUp() { currentshowplayernamesClick(); }

void TForm1::StoreCheckBox(Control c, std::string_view key) {
  if (!config_) {
    return;  // the window is not created yet
  }
  config_->WriteNumber(key, view_.Checked(c) ? 1 : 0);
  SaveConfigOrFail();
}

void TForm1::timestampinchatClick() { StoreCheckBox(Control::timestampinchat, kKeyShowTimestamp); }
void TForm1::timestampinchatKeyUp() { timestampinchatClick(); }

void TForm1::keepselectionafterwhisperClick() {
  StoreCheckBox(Control::keepselectionafterwhisper, kKeyKeepSelection);
}
void TForm1::keepselectionafterwhisperKeyUp() { keepselectionafterwhisperClick(); }

// Off removes the mappings this program made; on asks the router again.
void TForm1::upnpClick() {
  StoreCheckBox(Control::upnp, kKeyUpnp);
  if (deps_.port_mapping) deps_.port_mapping(view_.Checked(Control::upnp));
}
void TForm1::upnpKeyUp() { upnpClick(); }

void TForm1::SaveConfigOrFail() { config_->Save(); }

void TForm1::PutText(Control c, std::string_view text) {
  if (view_.Text(c) == text) {
    return;
  }
  view_.SetText(c, text);
  RunChangeHandler(c);
}

void TForm1::PutChecked(Control c, bool checked) {
  if (view_.Checked(c) == checked) {
    return;
  }
  view_.SetChecked(c, checked);
  RunChangeHandler(c);
}

void TForm1::PutPosition(Control c, int position) {
  if (view_.Position(c) == position) {
    return;
  }
  view_.SetPosition(c, position);
  RunChangeHandler(c);
}

}  // namespace lobbyfind::app
