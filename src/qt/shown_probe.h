// Start-up measurement: with LOBBYFIND_EXIT_WHEN_SHOWN set in the
// environment, the program writes "shown" to standard output the moment its
// window is first painted and ends at once. The start-up benchmark times
// that line; without the variable nothing is installed.
#pragma once

class QWidget;

namespace lobbyfind::qt {

inline constexpr const char* kExitWhenShownVariable = "LOBBYFIND_EXIT_WHEN_SHOWN";

void ExitWhenShownIfAsked(QWidget& window);

}  // namespace lobbyfind::qt
