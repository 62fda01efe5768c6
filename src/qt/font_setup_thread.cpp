#include "qt/font_setup_thread.h"

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace lobbyfind::qt {

// Fontconfig sets up its configuration once per process and atomically: the
// toolkit's own call either finds this one's result or, if it comes first,
// builds its own, as it would have anyway.
FontSetupThread::FontSetupThread() {
#ifndef _WIN32
  thread_ = std::thread([] { (void)FcInit(); });
#endif
}

FontSetupThread::~FontSetupThread() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace lobbyfind::qt
