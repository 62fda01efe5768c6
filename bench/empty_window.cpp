// The floor of the start-up benchmark: the least a Qt Widgets program does
// to show one window, built with the same compiler, flags and Qt as the
// lobby and timed the same way.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(692, 542);  // the size of the lobby's window
  window.show();
  return QApplication::exec();
}
