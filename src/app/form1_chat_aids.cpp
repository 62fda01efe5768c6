// What makes the chat friendlier than the bare room: Tab completes a
// nickname, Up and Down recall the lines sent before, a click opens a web
// address, and notifications tell of games and messages while the window is
// in the background.
#include "app/chat_links.h"
#include "app/form1.h"

namespace lobbyfind::app {
namespace {

struct NotificationChoice {
  Control control;
  std::string_view key;
};
constexpr NotificationChoice kNotificationChoices[] = {
    {Control::notifynewgames, kKeyNotifyNewGames},
    {Control::notifywhispers, kKeyNotifyWhispers},
    {Control::notifymynick, kKeyNotifyMyNick},
};

}  // namespace

bool TForm1::Edit3KeyDown(Key key) {
  const std::string shown = view_.Text(Control::Edit3);
  std::optional<std::string> replaced;
  switch (key) {
    case Key::Tab:
      replaced = nick_completion_.Complete(shown, view_.Items(Control::ListBox2),
                                           irc_client_ ? irc_client_->Nickname() : std::string());
      // With no word begun, Tab moves on to the next control as ever. A word
      // nobody fits keeps it: the focus would leave the line being typed.
      if (!replaced && (shown.empty() || shown.back() == ' ')) return false;
      break;
    case Key::Up:
      replaced = input_history_.Older(shown);
      break;
    case Key::Down:
      replaced = input_history_.Newer();
      break;
    default:
      return false;
  }
  if (replaced) view_.SetText(Control::Edit3, *replaced);
  return true;
}

void TForm1::ChatLogClicked(std::string_view line, std::size_t offset) {
  if (const auto address = LinkAt(line, offset)) OpenLink(*address);
}

NoticeMoment TForm1::MomentFor(Control choice) const {
  NoticeMoment moment;
  moment.own_nick = irc_client_ ? std::string_view(irc_client_->Nickname()) : std::string_view();
  moment.window_active = deps_.notifier == nullptr || deps_.notifier->WindowActive();
  moment.wanted = view_.Checked(choice);
  return moment;
}

void TForm1::Notify(const std::optional<Notice>& notice) {
  if (notice && deps_.notifier != nullptr) deps_.notifier->Notify(notice->title, notice->text);
}

void TForm1::NotifyNewGames(const std::vector<std::string>& names, const std::vector<std::string>& maps) {
  for (const Notice& notice :
       notification_rules_.GamesListed(names, maps, MomentFor(Control::notifynewgames))) {
    Notify(notice);
  }
}

void TForm1::StoreNotificationChoice(Control c) {
  for (const NotificationChoice& choice : kNotificationChoices) {
    if (choice.control == c) StoreCheckBox(c, choice.key);
  }
}

void TForm1::LoadNotificationChoices() {
  // On unless the user switched it off: the window itself shows nothing
  // more for them, and a missed game or whisper is what they are for.
  for (const NotificationChoice& choice : kNotificationChoices) {
    std::int32_t flag = 1;
    (void)config_->ReadInteger(choice.key, flag);
    view_.SetChecked(choice.control, flag != 0);  // read, not changed: nothing to store
  }
}

}  // namespace lobbyfind::app
