// The Options page: the game's settings for a hosted game on the left, the
// program's own options on the right.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include "app/spin_box.h"
#include "qt/main_window.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::qt {
namespace {

TextSpinBox* PlaceSpinBox(QWidget* parent, app::Control control, const QString& name, int x, int y,
                          int w) {
  const app::SpinRange range = *app::SpinBoxRange(control);
  auto* box = new TextSpinBox(range.min, range.max, range.initial, parent);
  box->setObjectName(name);
  box->setGeometry(x, y, w, 22);
  return box;
}

QCheckBox* PlaceCheckBox(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->move(x, y);
  box->adjustSize();
  return box;
}

}  // namespace

void MainWindow::BuildOptionsPage() {
  tab_Options = new QWidget;
  tab_Options->setObjectName("tab_Options");
  PageControl1->addTab(tab_Options, "Options");

  auto* game = PlaceGroup(tab_Options, "Create Game Options", 8, 6, 330, 236);
  PlaceLabel(game, "Gamemode", 14, 30);
  currentgamemode = new QComboBox(game);
  currentgamemode->setObjectName("currentgamemode");
  currentgamemode->addItems({"Fragspiel", "Punktespiel", "Reihenspiel"});
  currentgamemode->setCurrentIndex(-1);
  currentgamemode->setGeometry(110, 26, 200, 22);
  PlaceLabel(game, "Gamespeed", 14, 64);
  currentgamespeed = new QSlider(Qt::Horizontal, game);
  currentgamespeed->setObjectName("currentgamespeed");
  currentgamespeed->setRange(0, 2);
  currentgamespeed->setValue(1);
  currentgamespeed->setTickPosition(QSlider::TicksBelow);
  currentgamespeed->setTickInterval(1);
  currentgamespeed->setPageStep(1);
  currentgamespeed->setGeometry(110, 58, 200, 30);
  PlaceLabel(game, "Fraglimit", 14, 100);
  currentfraglimit =
      PlaceSpinBox(game, app::Control::currentfraglimit, "currentfraglimit", 110, 96, 120);
  PlaceLabel(game, "Scorelimit", 14, 132);
  currentscorelimit =
      PlaceSpinBox(game, app::Control::currentscorelimit, "currentscorelimit", 110, 128, 120);
  PlaceLabel(game, "Gametime", 14, 164);
  currentgametimelimit =
      PlaceSpinBox(game, app::Control::currentgametimelimit, "currentgametimelimit", 110, 160, 120);
  currentpoliceenabled = PlaceCheckBox(game, "currentpoliceenabled", "Police enabled", 14, 198);

  auto* general = PlaceGroup(tab_Options, "General Options", 346, 6, 332, 236);
  PlaceLabel(general, "gta-Directory", 14, 30);
  currentgtadirectory = new QLineEdit("currentgtadirectory", general);
  currentgtadirectory->setObjectName("currentgtadirectory");
  currentgtadirectory->setReadOnly(true);
  currentgtadirectory->setGeometry(14, 48, 266, 22);
  currentgtadirectory->installEventFilter(this);
  Button6 = PlaceButton(general, "Button6", "...", 286, 47, 30, 24);
  currentshowplayernames =
      PlaceCheckBox(general, "currentshowplayernames", "Show player names", 14, 84);
  timestampinchat =
      PlaceCheckBox(general, "timestampinchat", "Show timestamp in lobbyfind-chat", 14, 110);
  keepselectionafterwhisper =
      PlaceCheckBox(general, "keepselectionafterwhisper", "Keep selection after whispering", 14, 136);
  PlaceLabel(general, "Serverlist refreshs (in ms) ", 14, 174);
  serverlistrefreshtime = PlaceSpinBox(general, app::Control::serverlistrefreshtime,
                                       "serverlistrefreshtime", 190, 170, 120);
}

}  // namespace lobbyfind::qt
