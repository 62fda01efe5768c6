// The Linux edition: one main window over the core, then the event loop.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("lobbyfind");
  window.setFixedSize(692, 542);
  window.show();
  return app.exec();
}
