// The chat input (channel lines, whispers, the placeholder) and the answer
// to a nickname that is already in use.
#include "app/chat_room.h"
#include "app/control_texts.h"
#include "app/form1.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kWhoCommand = "/who";
constexpr std::string_view kWhisperCommand = "/w ";
constexpr std::string_view kWhisperUsage = "To whisper, type: /w nickname message";
constexpr std::string_view kNickDialogCaption = "Choose a different Nickname ...";

// True when `text` starts with `command`, letters compared in lower case.
bool StartsWithCommand(std::string_view text, std::string_view command) {
  if (text.size() < command.size()) {
    return false;
  }
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (AsciiLower(text[i]) != command[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool TForm1::Edit3KeyUp(Key key) {
  if (key != Key::Enter) {
    return false;
  }
  const std::string text = view_.Text(Control::Edit3);
  input_history_.Sent(text);
  if (irc_client_) {
    SendChatInput(text);
  }
  view_.SetText(Control::Edit3, "");
  return true;
}

void TForm1::SendChatInput(const std::string& text) {
  if (StartsWithCommand(text, kWhoCommand)) {
    return;  // swallowed: the program has no use for a user list by request
  }
  if (StartsWithCommand(text, kWhisperCommand)) {
    const std::string rest = text.substr(kWhisperCommand.size());
    const auto space = rest.find(' ');
    if (space == std::string::npos) {
      // A nickname without a message: nothing worth sending.
      AddChatLine(LineKind::lkSystem, kWhisperUsage);
      return;
    }
    const std::string nick = rest.substr(0, space);
    const std::string message = rest.substr(space + 1);
    irc_client_->SendPrivateMessage(nick, message);
    AddChatLine(LineKind::lkWhisper, "To " + nick + ": " + message);
    return;
  }
  const bool keep = view_.Checked(Control::keepselectionafterwhisper);
  const auto players = view_.Items(Control::ListBox2);
  bool whispered = false;
  for (std::size_t i = 0; i < players.size(); ++i) {
    const int index = static_cast<int>(i);
    if (!view_.Selected(Control::ListBox2, index)) {
      continue;
    }
    whispered = true;
    irc_client_->SendPrivateMessage(players[i], text);
    AddChatLine(LineKind::lkWhisper, "To " + players[i] + ": " + text);
    if (!keep) {
      view_.SetSelected(Control::ListBox2, index, false);
    }
  }
  if (!whispered) {
    irc_client_->SendChannelMessage(kChatChannel, text);
    AddChatLine(LineKind::lkChat, irc_client_->Nickname() + ": " + text);
  }
}

void TForm1::Edit3Click() {
  if (view_.Text(Control::Edit3) == kChatInputPlaceholder) {
    view_.SetText(Control::Edit3, "");
  }
}
void TForm1::Edit3DblClick() { Edit3Click(); }
void TForm1::Edit3MouseDown() { Edit3Click(); }
void TForm1::Edit3MouseUp() { Edit3Click(); }

void TForm1::IrcClientNicknameAllreadyUsed() {
  const std::string current = irc_client_->Nickname();
  const std::string suggestion = current + std::to_string(random_.DrawNameNumber());
  const std::string prompt =
      "Some one else uses the Nickname \"" + current + "\", please choose an other";
  // The dialog gives the suggestion back on Cancel.
  const std::string chosen = view_.InputQuery(kNickDialogCaption, prompt, suggestion);
  irc_client_->SetNickname(chosen);
  irc_client_->ChangeNick(irc_client_->Nickname());
  PutText(Control::currentplayername, irc_client_->Nickname());
  currentplayernameChange();
}

}  // namespace lobbyfind::app
