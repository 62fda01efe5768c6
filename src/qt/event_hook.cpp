#include "qt/event_hook.h"

#include <utility>

namespace lobbyfind::qt {

EventHook::EventHook(QObject* target, Handler handler) : QObject(target), handler_(std::move(handler)) {
  target->installEventFilter(this);
}

bool EventHook::eventFilter(QObject* watched, QEvent* event) {
  if (handler_(event)) {
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace lobbyfind::qt
