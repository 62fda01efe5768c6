#include "qt/lobby_app.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <stdexcept>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "app/chat_links.h"
#include "app/config_keys.h"
#include "app/network_settings.h"
#include "config/config_file.h"
#include "app/screen_text.h"
#include "game/game_settings.h"
#include "qt/after_first_frame.h"
#include "qt/event_hook.h"
#include "qt/text_bytes.h"
#include "qt/qt_tcp_connection.h"
#include "qt/qt_tcp_listener.h"
#include "qt/qt_timer.h"
#include "qt/qt_udp_sender.h"
#include "qt/text_spin_box.h"

#ifdef _WIN32
#include "platform/win32/win32_windows.h"
#else
#include "platform/linux/x11_windows.h"
#endif

namespace lobbyfind::qt {

using app::Control;

LobbyApp::LobbyApp(Options options)
    : window_(nullptr,
              options.start_after_first_frame ? MainWindow::Pages::FirstOnly : MainWindow::Pages::All) {
  if (options.registry == nullptr) throw std::invalid_argument("the program needs the game's registry");
  if (!options.start_after_first_frame) {
    Start(std::move(options));
    return;
  }
  // Nothing of the core is on the first page's first frame but the values it
  // fills in a moment later; the user could not have read them sooner. The
  // search for game windows left running, which the start-up asks for, then
  // waits for that frame too.
  RunAfterFirstFrame(window_, [this, options = std::move(options)]() mutable { Start(std::move(options)); });
}

void LobbyApp::Start(Options options) {
  window_.BuildRemainingPages();
  view_.emplace(window_);
#ifdef _WIN32
  windows_ = std::make_unique<platform::Win32Windows>();
#else
  windows_ = std::make_unique<platform::X11Windows>();
#endif
  game_ = std::make_unique<game::GameBridge>(*options.registry, *windows_, clock_);
  // The launcher is read when the game starts, so a changed setting counts.
  shell_.SetLauncher([this] {
    return running_ && running_->form().HasConfig() ? app::Launcher(running_->form().Config())
                                                    : std::string(app::kDefaultLauncher);
  });

  const bool map_ports = options.port_mapping && app::PortMappingWanted(config::cConfigFile(options.config_file_name));
  app::FormDeps deps;
  deps.view = &*view_;
  deps.make_timer = [] { return std::make_unique<QtTimer>(); };
  deps.clock = &clock_;
  deps.shell = &shell_;
  deps.config_file_name = std::move(options.config_file_name);
  deps.make_tcp_connection = [] { return std::make_unique<QtTcpConnection>(); };
  deps.make_udp_sender = [] { return std::make_unique<QtUdpSender>(); };
  deps.make_tcp_listener = [] { return std::make_unique<QtTcpListener>(); };
  deps.answer_port = options.answer_port;
  deps.http_limits = options.http_limits;
  deps.game = game_.get();
  if (options.port_mapping) {
    deps.port_mapping = [this](bool on) {
      if (port_mapper_) port_mapper_->SetEnabled(on);
    };
  }
  if (options.notifications) {
    notifier_ = std::make_unique<QtNotifier>(
        window_, options.notification_bus.isEmpty()
                     ? QDBusConnection::sessionBus()
                     : QDBusConnection::connectToBus(options.notification_bus, "lobbyfind-notifications"));
    deps.notifier = notifier_.get();
  }
  running_.emplace(std::move(deps), options.random_seed, [this](app::TForm1& form) { ConnectUserActions(form); });
  if (options.port_mapping) {
    port_mapper_ = std::make_unique<QtPortMapper>(
        [form = &running_->form()](const std::string& line) { form->AddChatLine(app::LineKind::lkSystem, line); },
        map_ports);
  }
  if (options.started) options.started();
}

LobbyApp::~LobbyApp() {
  port_mapper_.reset();
  running_.reset();
}

void LobbyApp::ConnectUserActions(app::TForm1& form_ref) {
  app::TForm1* form = &form_ref;
  MainWindow& w = window_;
  QObject::connect(w.NewsButton, &QPushButton::clicked, [form] { form->NewsButtonClick(); });
  QObject::connect(w.FaqButton, &QPushButton::clicked, [form] { form->FaqButtonClick(); });
  QObject::connect(w.WwwButton, &QPushButton::clicked, [form] { form->WwwButtonClick(); });
  QObject::connect(w.SecondSiteButton, &QPushButton::clicked,
                   [form] { form->SecondSiteButtonClick(); });
  QObject::connect(w.Button1, &QPushButton::clicked, [form] { form->Button1Click(); });
  QObject::connect(w.ListBox1, &QListWidget::itemDoubleClicked, [form] { form->Button1Click(); });
  QObject::connect(w.Button4, &QPushButton::clicked, [form] { form->Button4Click(); });
  ConnectGameListActions(form_ref);

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
      {w.upnp, Control::upnp},
      {w.notifynewgames, Control::notifynewgames},
      {w.notifywhispers, Control::notifywhispers},
      {w.notifymynick, Control::notifymynick},
  };
  for (const auto& [box, control] : boxes) {
    QObject::connect(box, &QCheckBox::clicked, [form, c = control] { form->ControlClicked(c); });
    new EventHook(box, [form, c = control](QEvent* event) {
      if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        form->ControlKeyUp(c);
      }
      return false;
    });
  }
  QObject::connect(w.currentplayername, &QLineEdit::textEdited, [this, form] {
    if (!view_->AcceptTyped(Control::currentplayername)) {
      // Nothing is written: the game could not hold the name as typed.
      view_->ShowMessage(app::UnholdableTextMessage(app::TargetOf(Control::currentplayername)));
      view_->RestoreText(Control::currentplayername);
      return;
    }
    form->ControlChanged(Control::currentplayername);
  });
  QObject::connect(w.currentgamemode, &QComboBox::activated,
                   [form] { form->ControlChanged(Control::currentgamemode); });
  QObject::connect(w.currentgamespeed, &QSlider::valueChanged,
                   [form] { form->ControlChanged(Control::currentgamespeed); });
  ConnectOptionActions(form_ref);
  ConnectChatActions(form_ref);
  ConnectChatAids(form_ref);
}

void LobbyApp::ConnectGameListActions(app::TForm1& form_ref) {
  app::TForm1* form = &form_ref;
  MainWindow& w = window_;
  QObject::connect(w.ListBox1, &QListWidget::customContextMenuRequested, [form, list = w.ListBox1](const QPoint& at) {
    // The row under the pointer (-1 for none); the selection is left alone.
    form->ListBox1ContextMenu(list->indexAt(at).row());
  });
  // The filter holds UTF-8, which takes every character: never refused.
  QObject::connect(w.gamefilter, &QLineEdit::textEdited, [this, form] {
    if (view_->AcceptTyped(Control::gamefilter)) form->ControlChanged(Control::gamefilter);
  });
  QObject::connect(w.sortgamesbytime, &QCheckBox::clicked, [form] { form->ControlClicked(Control::sortgamesbytime); });
}

void LobbyApp::ConnectOptionActions(app::TForm1& form_ref) {
  app::TForm1* form = &form_ref;
  QObject::connect(window_.Button6, &QPushButton::clicked, [form] { form->Button6Click(); });
  QObject::connect(window_.CheckPortsButton, &QPushButton::clicked, [form] { form->CheckPortsButtonClick(); });
  QObject::connect(&window_, &MainWindow::currentgtadirectoryDoubleClicked,
                   [form] { form->Button6Click(); });
}

void LobbyApp::ConnectChatActions(app::TForm1& form_ref) {
  app::TForm1* form = &form_ref;
  QObject::connect(window_.Button7, &QPushButton::clicked, [form] { form->Button7Click(); });
  new EventHook(window_.Edit3, [form](QEvent* event) {
    switch (event->type()) {
      case QEvent::MouseButtonPress: form->Edit3MouseDown(); break;
      case QEvent::MouseButtonRelease:
        form->Edit3MouseUp();
        form->Edit3Click();
        break;
      case QEvent::MouseButtonDblClick: form->Edit3DblClick(); break;
      case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) break;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        return form->Edit3KeyUp(enter ? app::Key::Enter : app::Key::Other);
      }
      default: break;
    }
    return false;
  });
}

void LobbyApp::ConnectChatAids(app::TForm1& form_ref) {
  app::TForm1* form = &form_ref;
  // Pressed, not released: Tab would have moved the focus by then, and Up
  // and Down repeat while held.
  new EventHook(window_.Edit3, [form](QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    switch (key->key()) {
      case Qt::Key_Tab: return form->Edit3KeyDown(app::Key::Tab);
      case Qt::Key_Up: return form->Edit3KeyDown(app::Key::Up);
      case Qt::Key_Down: return form->Edit3KeyDown(app::Key::Down);
      default: return false;
    }
  });
  QTextEdit* log = window_.chatlog;
  // The line under a point of the log as shown (UTF-8), and the byte of it
  // there.
  const auto text_at = [log](const QPoint& point) {
    const QTextCursor at = log->cursorForPosition(point);
    const QString line = at.block().text();
    return std::make_pair(ToUtf8(line), ToUtf8(line.left(at.positionInBlock())).size());
  };
  // A web address shows the hand a browser shows over a link.
  const QCursor plain = log->viewport()->cursor();
  log->viewport()->setMouseTracking(true);
  new EventHook(log->viewport(), [form, log, text_at, plain](QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
      const auto [line, offset] = text_at(static_cast<QMouseEvent*>(event)->position().toPoint());
      log->viewport()->setCursor(app::LinkAt(line, offset) ? QCursor(Qt::PointingHandCursor) : plain);
      return false;
    }
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // A drag that selected text is a selection, not a click on an address.
    if (mouse->button() != Qt::LeftButton || log->textCursor().hasSelection()) return false;
    const auto [line, offset] = text_at(mouse->position().toPoint());
    form->ChatLogClicked(line, offset);
    return false;
  });
}

}  // namespace lobbyfind::qt
