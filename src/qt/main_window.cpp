#include "qt/main_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include "app/view.h"

// The banner lives in the library's resources; a static library must
// register them itself.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace lobbyfind::qt {
namespace {
constexpr int kStatusBarPanelWidth = 40;
}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  InitResources();
  setObjectName("Form1");
  setWindowTitle("lobbyfind");
  // A fixed, single border with a minimise box and no maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  setFont(font);

  banner = new QLabel(this);
  banner->setObjectName("banner");
  banner->setGeometry(0, 0, kClientWidth, kBannerHeight);
  banner->setPixmap(QPixmap(":/resources/banner.jpg", "JPG"));

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(0, kBannerHeight, kClientWidth,
                            kClientHeight - kBannerHeight - kStatusBarHeight);
  BuildStartPage();
  BuildInternetGamesPage();
  BuildOptionsPage();
  PageControl1->setCurrentWidget(tab_Start);
  BuildStatusBar();
  // Centred on the desktop at first show; the user may move it from there.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void MainWindow::BuildStatusBar() {
  StatusBar = new QWidget(this);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
  StatusPanel0 = new QLabel("Status :", StatusBar);
  StatusPanel0->setObjectName("StatusPanel0");
  StatusPanel1 = new QLabel("100%", StatusBar);
  StatusPanel1->setObjectName("StatusPanel1");
  for (QLabel* panel : {StatusPanel0, StatusPanel1}) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setIndent(2);
  }
  StatusPanel0->setGeometry(0, 0, kClientWidth - kStatusBarPanelWidth, kStatusBarHeight);
  StatusPanel1->setGeometry(kClientWidth - kStatusBarPanelWidth, 0, kStatusBarPanelWidth,
                            kStatusBarHeight);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == currentgtadirectory && event->type() == QEvent::MouseButtonDblClick) {
    emit currentgtadirectoryDoubleClicked();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace lobbyfind::qt
