// Work that the first frame does not need: run once the window has painted
// itself for the first time, on the next turn of the event loop, so that the
// frame has reached the screen before the work starts.
#pragma once

#include <functional>

class QWidget;

namespace lobbyfind::qt {

// Runs `work` once, after `window`'s first paint. Nothing runs if the window
// is destroyed first.
void RunAfterFirstFrame(QWidget& window, std::function<void()> work);

}  // namespace lobbyfind::qt
