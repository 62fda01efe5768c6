#include "qt/main_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <future>

#include "app/view.h"
#include "app/window_layout.h"

// The banner lives in the library's resources; a static library must
// register them itself.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace lobbyfind::qt {
namespace {
constexpr int kStatusBarPanelWidth = 40;
}  // namespace

MainWindow::MainWindow(QWidget* parent, Pages pages) : QWidget(parent) {
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

  // The picture is read and decoded on another thread while the pages are
  // built; images, unlike pixmaps, may be made off the window's thread.
  std::future<QImage> banner_image =
      std::async(std::launch::async, [] { return QImage(":/resources/banner.jpg", "JPG"); });
  banner = new QLabel(this);
  banner->setObjectName("banner");
  banner->setGeometry(0, 0, kClientWidth, kBannerHeight);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(0, kBannerHeight, kClientWidth,
                            kClientHeight - kBannerHeight - kStatusBarHeight);
  tab_Start = AddPage("tab_Start", "Start");
  tab_Internetgames = AddPage("tab_Internetgames", "Internet games");
  tab_Options = AddPage("tab_Options", "Options");
  for (const app::Control hidden : app::kPagesHiddenAtStart) {
    PageControl1->setTabVisible(PageControl1->indexOf(Page(hidden)), false);
  }
  PageControl1->setCurrentWidget(tab_Start);
  BuildStartPage();
  if (pages == Pages::All) BuildRemainingPages();
  BuildStatusBar();
  banner->setPixmap(QPixmap::fromImage(banner_image.get()));
  // Centred on the desktop at first show; the user may move it from there.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

QWidget* MainWindow::Page(app::Control page) const {
  switch (page) {
    case app::Control::tab_Start: return tab_Start;
    case app::Control::tab_Internetgames: return tab_Internetgames;
    case app::Control::tab_Options: return tab_Options;
    default: return nullptr;
  }
}

void MainWindow::BuildRemainingPages() {
  if (ListBox1 != nullptr) return;
  BuildInternetGamesPage();
  BuildOptionsPage();
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
