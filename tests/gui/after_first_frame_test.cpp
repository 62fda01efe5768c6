#include "qt/after_first_frame.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

namespace lobbyfind::qt {
namespace {

// Notes that the watched widget has painted.
class PaintSeen final : public QObject {
 public:
  explicit PaintSeen(bool& seen) : seen_(seen) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) seen_ = true;
    return false;
  }

 private:
  bool& seen_;
};

TEST(AfterFirstFrame, RunsOnceAfterTheFirstPaintAndNotBefore) {
  QWidget window;
  window.resize(200, 100);
  std::vector<bool> painted_when_run;
  bool painted = false;
  RunAfterFirstFrame(window, [&] { painted_when_run.push_back(painted); });
  PaintSeen paint_seen(painted);
  window.installEventFilter(&paint_seen);

  QCoreApplication::processEvents();
  EXPECT_TRUE(painted_when_run.empty()) << "ran before the window was shown";
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !painted_when_run.empty(); }, 10000)) << "never ran";
  EXPECT_TRUE(painted_when_run.front()) << "ran before the first paint";

  window.repaint();
  window.update();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(painted_when_run.size(), 1U);
  window.removeEventFilter(&paint_seen);
}

TEST(AfterFirstFrame, AWindowGoneBeforeItsWorkRanTakesTheWorkAlong) {
  int runs = 0;
  {
    auto window = std::make_unique<QWidget>();
    RunAfterFirstFrame(*window, [&] { ++runs; });
    // A paint as the window system would ask for it: the work is now due on
    // the next turn of the event loop, which the window does not live to see.
    QPaintEvent paint(QRect(0, 0, 10, 10));
    QCoreApplication::sendEvent(window.get(), &paint);
  }
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace lobbyfind::qt
