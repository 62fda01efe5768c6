// Fontconfig reads and parses its whole configuration (dozens of XML files)
// the first time any text is measured, a few milliseconds on the window's
// thread right before the first frame. Started first thing, this does it on
// a thread of its own while the toolkit connects to the display and loads
// its plugins; the toolkit then finds it done. Without fontconfig (Windows)
// it does nothing.
#pragma once

#include <thread>

namespace lobbyfind::qt {

class FontSetupThread {
 public:
  FontSetupThread();
  // Waits for the thread: it must not outlive the program's statics.
  ~FontSetupThread();
  FontSetupThread(const FontSetupThread&) = delete;
  FontSetupThread& operator=(const FontSetupThread&) = delete;

 private:
  std::thread thread_;
};

}  // namespace lobbyfind::qt
