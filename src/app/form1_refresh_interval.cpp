// The refresh interval of Timer2: taken from the settings at start-up and
// from the refresh spin box afterwards.
#include <algorithm>

#include "app/form1.h"
#include "app/spin_box.h"

namespace lobbyfind::app {

void TForm1::ApplyStoredRefreshInterval() {
  std::int32_t stored = 0;
  if (!config_->ReadInteger(kKeyRefreshInterval, stored)) {
    SetSpinValue(Control::serverlistrefreshtime, SpinBoxRange(Control::serverlistrefreshtime)->initial);
    return;
  }
  // The box shows the stored value clamped (and stores it if that changes
  // what it shows); the timer takes the stored value as it is, as long as it
  // is a real interval: zero or a negative number would make it spin or stop.
  // Short stored intervals stand, but never one above the box's maximum: a
  // hand-edited file must not make the refreshes and the withdrawal of a
  // hosted game (five ticks) take days.
  SetSpinValue(Control::serverlistrefreshtime, stored);
  if (stored > 0) {
    timer2_->SetInterval(static_cast<std::uint32_t>(
        std::min<std::int64_t>(stored, SpinBoxRange(Control::serverlistrefreshtime)->max)));
  }
}

void TForm1::serverlistrefreshtimeChange() {
  if (!config_) {
    return;  // the window is not created yet
  }
  const std::int64_t value = SpinValue(Control::serverlistrefreshtime);
  // Partial numbers typed on the way to a real interval (1, 10, 100), and
  // negative ones, never reach the timer.
  if (value <= kRefreshIgnoreAtOrBelowMs) {
    return;
  }
  // Typed values above the box's maximum stand while the box has the focus;
  // the timer never runs slower than the maximum.
  const auto interval = static_cast<std::uint32_t>(
      std::min<std::int64_t>(value, SpinBoxRange(Control::serverlistrefreshtime)->max));
  config_->WriteNumber(kKeyRefreshInterval, interval);
  timer2_->SetInterval(interval);
  SaveConfig();
}

}  // namespace lobbyfind::app
