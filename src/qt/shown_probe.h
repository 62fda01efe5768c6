// Start-up measurement: with LOBBYFIND_EXIT_WHEN_SHOWN set in the
// environment, the program writes "shown" to standard output once its window
// has been painted and the work deferred past that first frame has run, and
// ends at once. The start-up benchmark times the window's mapping and takes
// the peak memory when the program has ended, so the whole start-up counts;
// without the variable nothing happens.
#pragma once

#include <functional>

namespace lobbyfind::qt {

inline constexpr const char* kExitWhenShownVariable = "LOBBYFIND_EXIT_WHEN_SHOWN";

// What to run once the start-up is complete: the ending, when asked for;
// otherwise nothing (empty).
std::function<void()> ExitWhenStartedIfAsked();

}  // namespace lobbyfind::qt
