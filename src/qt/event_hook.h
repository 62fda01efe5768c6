// Hands the events of one widget to a function before the widget sees them,
// so that the edge can forward key releases and mouse use of controls that
// have no signal for them. The function returns true to consume the event.
#pragma once

#include <QObject>
#include <functional>

class QEvent;

namespace lobbyfind::qt {

class EventHook final : public QObject {
 public:
  using Handler = std::function<bool(QEvent* event)>;
  // Installs itself on `target`, which owns it.
  EventHook(QObject* target, Handler handler);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Handler handler_;
};

}  // namespace lobbyfind::qt
