#include "game/window_control.h"

namespace lobbyfind::game {
namespace {

NoWindows no_windows;
WindowControl* installed = nullptr;

}  // namespace

void SetWindowControl(WindowControl* control) { installed = control; }

WindowControl& CurrentWindowControl() { return installed != nullptr ? *installed : no_windows; }

bool KillWindowProcess(std::string_view title) { return CurrentWindowControl().KillWindowProcess(title); }

bool IsWindowOpen(std::string_view title) { return CurrentWindowControl().IsWindowOpen(title); }

}  // namespace lobbyfind::game
