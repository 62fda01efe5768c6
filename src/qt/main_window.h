// The main window's widgets, named as the program knows its controls (object
// names and members alike). It holds no behaviour: QtView shows the core's
// output in it, and LobbyApp forwards the user's actions to the core.
#pragma once

#include <QWidget>

#include "app/view.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QTabWidget;
class QTextEdit;

namespace lobbyfind::qt {

class TextSpinBox;

class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 692;
  static constexpr int kClientHeight = 542;
  static constexpr int kBannerHeight = 89;
  static constexpr int kStatusBarHeight = 19;

  // Which pages get their controls when the window is made: all of them, or
  // only the first, which is all the first frame shows (the tabs of all
  // three are there either way).
  enum class Pages { All, FirstOnly };

  explicit MainWindow(QWidget* parent = nullptr, Pages pages = Pages::All);

  // Gives the pages after the first their controls; for a window made with
  // the first page only, before anything reads or shows those controls.
  void BuildRemainingPages();

  // The widget of one of the three pages (tab_Start, tab_Internetgames,
  // tab_Options).
  [[nodiscard]] QWidget* Page(app::Control page) const;

  QLabel* banner = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* tab_Start = nullptr;
  QWidget* tab_Internetgames = nullptr;
  QWidget* tab_Options = nullptr;
  QWidget* StatusBar = nullptr;
  QLabel* StatusPanel0 = nullptr;
  QLabel* StatusPanel1 = nullptr;

  // Start page
  QTextEdit* onlinenews = nullptr;
  QLabel* newsbackgroundlabel = nullptr;
  QPushButton* NewsButton = nullptr;
  QLineEdit* currentplayername = nullptr;
  QLineEdit* Edit4 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* FaqButton = nullptr;
  QPushButton* WwwButton = nullptr;
  QPushButton* SecondSiteButton = nullptr;

  // Internet games page
  QTextEdit* chatlog = nullptr;
  QListWidget* ListBox2 = nullptr;
  QLabel* playershint = nullptr;
  QLineEdit* Edit3 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button4 = nullptr;
  QLineEdit* gamefilter = nullptr;
  QCheckBox* sortgamesbytime = nullptr;

  // Options page
  QComboBox* currentgamemode = nullptr;
  QSlider* currentgamespeed = nullptr;
  TextSpinBox* currentfraglimit = nullptr;
  TextSpinBox* currentscorelimit = nullptr;
  TextSpinBox* currentgametimelimit = nullptr;
  QCheckBox* currentpoliceenabled = nullptr;
  QLineEdit* currentgtadirectory = nullptr;
  QPushButton* Button6 = nullptr;
  QCheckBox* currentshowplayernames = nullptr;
  QCheckBox* timestampinchat = nullptr;
  QCheckBox* keepselectionafterwhisper = nullptr;
  QCheckBox* upnp = nullptr;
  QPushButton* CheckPortsButton = nullptr;
  TextSpinBox* serverlistrefreshtime = nullptr;
  QCheckBox* notifynewgames = nullptr;
  QCheckBox* notifywhispers = nullptr;
  QCheckBox* notifymynick = nullptr;

 signals:
  // A double-click on the game directory field acts like its "..." button.
  void currentgtadirectoryDoubleClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // An empty page behind a tab of its own.
  QWidget* AddPage(const char* name, const QString& caption);
  // The controls the layout table places on `page`, made on `widget`.
  static void BuildPage(app::Control page, QWidget* widget);
  void BuildStartPage();
  void BuildInternetGamesPage();
  void BuildOptionsPage();
  void BuildStatusBar();
};

}  // namespace lobbyfind::qt
