// The options fixture with a chat login under way: helpers that press
// "Login", let the fake server accept it and feed it server lines.
#pragma once

#include <string>

#include "options_fixture.h"

namespace lobbyfind::test {

class ChatFixture : public OptionsFixture {
 protected:
  static constexpr const char* kNick = "me";

  app::TForm1& CreateWithNick() {
    auto& form = Create();
    form.IrcClient().SetNickname(kNick);
    return form;
  }
  // "Login" pressed; the connection opens and the client registers.
  void Login() {
    form_->Button7Click();
    Irc().Open();
    Serve("NOTICE * :*** Found your hostname");
    Irc().TakeLines();
  }
  void Serve(const std::string& line) { Irc().Deliver(line + "\r\n"); }
  void Names(const std::string& names) {
    Serve(":srv 353 me = #lobbyfind :" + names);
    Serve(":srv 366 me #lobbyfind :End of NAMES list");
  }
  void NickServ(const std::string& notice) {
    Serve(":NickServ!service@services.test NOTICE me :" + notice);
  }
  [[nodiscard]] std::vector<std::string> Players() const { return view_.Items(app::Control::ListBox2); }
};

}  // namespace lobbyfind::test
