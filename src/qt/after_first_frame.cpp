#include "qt/after_first_frame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace lobbyfind::qt {
namespace {

class FirstFrameWatch final : public QObject {
 public:
  FirstFrameWatch(QWidget& window, std::function<void()> work) : QObject(&window), work_(std::move(work)) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && work_) {
      watched->removeEventFilter(this);
      // The paint is still being drawn: the work waits for the next turn,
      // after the frame has been handed to the window system. The window is
      // the timer's context, so a window gone by then takes the work along.
      QTimer::singleShot(0, parent(), std::move(work_));
      work_ = nullptr;
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> work_;
};

}  // namespace

void RunAfterFirstFrame(QWidget& window, std::function<void()> work) { new FirstFrameWatch(window, std::move(work)); }

}  // namespace lobbyfind::qt
