#include "app/form1.h"

#include <stdexcept>
#include <utility>

#include "app/site_links.h"
#include "app/spin_box.h"
#include "app/window_layout.h"

namespace lobbyfind::app {
namespace {

// The hint under the players list, one line each.
constexpr std::string_view kPlayersHint =
    "Press STRG, while\nyou click on nickname,\nto select more than 1\nuser at the same time.\n";

// The frame drawn around the news pane, in pixels.
constexpr int kNewsFrame = 5;
// Width of the status panel with the percentage bar, at the right edge.
constexpr int kStatusBarPanelWidth = 40;

View& RequireView(const FormDeps& deps) {
  if (deps.view == nullptr || !deps.make_timer || deps.clock == nullptr ||
      deps.shell == nullptr || deps.game == nullptr || !deps.make_tcp_connection || !deps.make_udp_sender ||
      !deps.make_tcp_listener) {
    throw std::invalid_argument(
        "TForm1 needs a view, a timer factory, a clock, a shell, the game and the network factories");
  }
  return *deps.view;
}

}  // namespace

TForm1::TForm1(FormDeps deps)
    : view_(RequireView(deps)), deps_(std::move(deps)), random_(deps_.random_seed) {
  updateconfig_ = deps_.make_timer();
  updateconfig_->SetInterval(kUpdateconfigIntervalMs);
  updateconfig_->OnTimer = [this] { updateconfigTimer(); };
  updateconfig_->SetEnabled(true);
  timer2_ = deps_.make_timer();
  timer2_->SetInterval(kTimer2IntervalMs);
  timer2_->SetEnabled(true);
  SetupChat();
  CreateNetworkComponents();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
  // Only programs in the game's folder are ended, so the folder chosen in an
  // earlier run is needed before anything else; reading it changes nothing.
  std::string game_folder;
  if (config::cConfigFile(deps_.config_file_name).ReadString(kKeyGtaDir, game_folder)) {
    deps_.game->UseGtaDir(game_folder);
  }
  deps_.game->CloseGameWindows();
  online_state_ = OnlineState::osOffline;
  for (const Control page : kPagesHiddenAtStart) view_.SetPageVisible(page, false);
  WriteWelcomeText();
  FrameNewsPane();
  view_.SetItems(Control::ListBox2, {});
  // A missing or unreadable file gives an empty Config; nothing is reported.
  config_ = std::make_unique<config::cConfigFile>(deps_.config_file_name);
  ApplyStoredRefreshInterval();
  CreateWebinterface();
  view_.SetText(Control::playershint, kPlayersHint);
  view_.SetStatusPanelWidth(0, view_.Bounds(Control::StatusBar).width - kStatusBarPanelWidth);
}

void TForm1::WriteWelcomeText() {
  const std::string lines[] = {
      "Welcome to lobbyfind Version 1.2",
      "For Updates and more stuff, visit " + std::string(kHomeHost),
      "",
      "BE SURE, that your ports  2300-2400 TCP/UDP and 47624 TCP/UDP",
      "is open, without you can not play!",
      "",
      "Ingamechat works with F10",
      "",
      "Have Fun!",
  };
  for (const auto& line : lines) {
    AddChatLine(LineKind::lkSystem, line);
  }
}

void TForm1::FrameNewsPane() {
  const Rect pane = view_.Bounds(Control::onlinenews);
  view_.SetBounds(Control::newsbackgroundlabel,
                  Rect{pane.left - kNewsFrame, pane.top - kNewsFrame, pane.width + 2 * kNewsFrame,
                       pane.height + 2 * kNewsFrame});
  view_.SetBackgroundColour(Control::newsbackgroundlabel,
                            view_.BackgroundColour(Control::onlinenews));
}

void TForm1::FormClose() {
  for (const auto& step : close_steps_) {
    try {
      step();
    } catch (...) {
      // The program is ending: a part that fails to shut down must not keep
      // the remaining parts from shutting down.
    }
  }
}

void TForm1::AtClose(std::function<void()> step) { close_steps_.push_back(std::move(step)); }

void TForm1::OpenLink(const std::string& url) {
  // A browser that does not open is not reported.
  (void)deps_.shell->Open(url, "", "");
}

void TForm1::NewsButtonClick() { OpenLink(HomePageUrl() + "#News"); }
void TForm1::FaqButtonClick() { OpenLink(HomePageUrl() + "#FAQ"); }
void TForm1::WwwButtonClick() { OpenLink(HomePageUrl()); }
void TForm1::SecondSiteButtonClick() { OpenLink(SecondSiteUrl()); }

void TForm1::ControlChanged(Control c) {
  Reporting([&] { RunChangeHandler(c); });
}

std::int32_t TForm1::SpinValue(Control c) const {
  const auto range = SpinBoxRange(c);
  if (!range) {
    throw std::invalid_argument("not a spin box");
  }
  return SpinBoxValue(view_.Text(c), *range);
}

void TForm1::SetSpinValue(Control c, std::int32_t value) {
  const auto range = SpinBoxRange(c);
  if (!range) {
    throw std::invalid_argument("not a spin box");
  }
  const std::string shown = std::to_string(ClampToRange(value, *range));
  if (view_.Text(c) == shown) {
    return;
  }
  view_.SetText(c, shown);
  RunChangeHandler(c);
}

void TForm1::SpinBoxExit(Control c) {
  const auto range = SpinBoxRange(c);
  if (!range) {
    return;
  }
  const std::int32_t value = SpinBoxValue(view_.Text(c), *range);
  if (ClampToRange(value, *range) != value) {
    Reporting([&] { SetSpinValue(c, value); });
  }
}

game::GameBridge::Done TForm1::ShowWriteFailure() {
  return [this, alive = std::weak_ptr<const bool>(alive_)](std::exception_ptr failure) {
    if (!failure || alive.expired()) return;
    Reporting([&] { std::rethrow_exception(failure); });
  };
}

void TForm1::SaveConfig() {
  try {
    config_->Save();
  } catch (const config::ConfigSaveError& e) {
    view_.ShowMessage(e.what());
  }
}

}  // namespace lobbyfind::app
