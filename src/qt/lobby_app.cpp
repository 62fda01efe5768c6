#include "qt/lobby_app.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "qt/qt_timer.h"
#include "qt/text_spin_box.h"

namespace lobbyfind::qt {

using app::Control;

LobbyApp::LobbyApp(Options options) : view_(window_) {
  app::FormDeps deps;
  deps.view = &view_;
  deps.make_timer = [] { return std::make_unique<QtTimer>(); };
  deps.clock = &clock_;
  deps.shell = &shell_;
  deps.config_file_name = std::move(options.config_file_name);
  form_ = std::make_unique<app::TForm1>(std::move(deps));
  ConnectUserActions();
  form_->FormCreate();
}

LobbyApp::~LobbyApp() { form_->FormClose(); }

void LobbyApp::ConnectUserActions() {
  app::TForm1* form = form_.get();
  MainWindow& w = window_;
  QObject::connect(w.NewsButton, &QPushButton::clicked, [form] { form->NewsButtonClick(); });
  QObject::connect(w.FaqButton, &QPushButton::clicked, [form] { form->FaqButtonClick(); });
  QObject::connect(w.WwwButton, &QPushButton::clicked, [form] { form->WwwButtonClick(); });
  QObject::connect(w.SecondSiteButton, &QPushButton::clicked,
                   [form] { form->SecondSiteButtonClick(); });

  // Every value the user changes goes to the core's change dispatch.
  const std::pair<TextSpinBox*, Control> spins[] = {
      {w.currentfraglimit, Control::currentfraglimit},
      {w.currentscorelimit, Control::currentscorelimit},
      {w.currentgametimelimit, Control::currentgametimelimit},
      {w.serverlistrefreshtime, Control::serverlistrefreshtime},
  };
  for (const auto& [box, control] : spins) {
    QObject::connect(box, &TextSpinBox::edited, [form, c = control] { form->ControlChanged(c); });
    QObject::connect(box, &TextSpinBox::exited, [form, c = control] { form->SpinBoxExit(c); });
  }
  const std::pair<QCheckBox*, Control> boxes[] = {
      {w.currentpoliceenabled, Control::currentpoliceenabled},
      {w.currentshowplayernames, Control::currentshowplayernames},
      {w.timestampinchat, Control::timestampinchat},
      {w.keepselectionafterwhisper, Control::keepselectionafterwhisper},
  };
  for (const auto& [box, control] : boxes) {
    QObject::connect(box, &QCheckBox::clicked, [form, c = control] { form->ControlChanged(c); });
  }
  QObject::connect(w.currentplayername, &QLineEdit::textEdited,
                   [form] { form->ControlChanged(Control::currentplayername); });
  QObject::connect(w.currentgamemode, &QComboBox::activated,
                   [form] { form->ControlChanged(Control::currentgamemode); });
  QObject::connect(w.currentgamespeed, &QSlider::valueChanged,
                   [form] { form->ControlChanged(Control::currentgamespeed); });
}

}  // namespace lobbyfind::qt
