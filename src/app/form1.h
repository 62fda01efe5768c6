// TForm1: the main window's behaviour, free of any widget toolkit. It owns
// the window's components (timers, settings, and the network parts later
// subsystems add), shows everything through the View, and offers the
// handlers the edge calls when the user acts.
//
// The class is split over files by topic: form1.cpp (creation, close, link
// buttons, change dispatch, spin boxes), form1_message_log.cpp (chat log,
// status line, news pane), form1_refresh_interval.cpp (the refresh spin box),
// form1_settings_load.cpp (the one-shot settings load and the game-directory
// prompt), form1_options.cpp (the option controls' change handlers),
// form1_chat.cpp (login and chat events), form1_chat_input.cpp (the chat
// input and the nickname dialog), form1_chat_aids.cpp (completion, recall,
// links and notifications), form1_directory.cpp (the directory client
// and its handlers), form1_game_list.cpp (Timer2, the game list, joining
// and hosting) and form1_game_list_view.cpp (filter, sort and favourites).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/chat_input_history.h"
#include "app/config_keys.h"
#include "app/favourites.h"
#include "app/game_list_view_model.h"
#include "app/nick_completion.h"
#include "app/notifications.h"
#include "app/own_game_reachability.h"
#include "app/pseudo_random.h"
#include "app/shared_types.h"
#include "app/view.h"
#include "chat/irc_client.h"
#include "config/config_file.h"
#include "directory/http_exchange.h"
#include "directory/webinterface.h"
#include "game/game_bridge.h"
#include "ports/clock.h"
#include "ports/notifier.h"
#include "ports/shell.h"
#include "ports/tcp_connection.h"
#include "ports/tcp_listener.h"
#include "ports/timer.h"
#include "ports/udp_sender.h"
#include "presence/presence.h"

namespace lobbyfind::app {

class TForm1;

// What the window is built from. Later subsystems add their ports and hooks
// here; every member has a usable default except the ports.
struct FormDeps {
  View* view = nullptr;
  ports::TimerFactory make_timer;
  const ports::Clock* clock = nullptr;
  ports::Shell* shell = nullptr;

  // The settings file; a bare name lies in the working directory.
  std::string config_file_name = std::string(kConfigFileName);

  // The game: its settings in the registry, its windows, its folder. The
  // window ends running copies of the game first when it is created.
  game::GameBridge* game = nullptr;

  // The network parts: the chat's and the directory client's connections,
  // the ping's UDP socket and the answer server's listener. Without a
  // connection factory the window has no chat (tests of other parts).
  ports::TcpConnectionFactory make_tcp_connection;
  ports::UdpSenderFactory make_udp_sender;
  ports::TcpListenerFactory make_tcp_listener;
  // The answer server's port: 2300, which the requests name; only tests that
  // must not compete for it choose another.
  std::uint16_t answer_port = presence::kAnswerPort;
  // The directory exchange's time limits and reply size; tests shorten them.
  directory::HttpExchange::Limits http_limits{};
  // Start state of the pseudo-random generator. The program seeds it from
  // the clock so that two first starts do not pick the same player name.
  std::uint32_t random_seed = 0;
  // Turns the home router's port mapping on or off while the program runs;
  // empty in an edition without a mapper (the setting is kept all the same).
  std::function<void(bool on)> port_mapping;
  // Notifications while the window is in the background; none without one.
  ports::Notifier* notifier = nullptr;
};

class TForm1 {
 public:
  static constexpr std::uint32_t kUpdateconfigIntervalMs = 500;
  static constexpr std::uint32_t kTimer2IntervalMs = 2500;
  // The chat log keeps at most this many lines before a new one is added.
  static constexpr int kChatLogKeepLines = 200;
  // The refresh box never sets Timer2 to this or less (partial numbers typed
  // on the way to a real interval)...
  static constexpr std::int64_t kRefreshIgnoreAtOrBelowMs = 1000;

  // Creates the components (timers enabled, settings not yet read). Nothing
  // is shown until FormCreate.
  explicit TForm1(FormDeps deps);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;
  ~TForm1();

  // --- window life ---
  // The window's creation handler: runs the start-up steps in their order.
  void FormCreate();
  // The window's close handler: runs the registered close steps in order;
  // a failure in one is swallowed and the next still runs.
  void FormClose();
  // Registers a close step (deactivate a listener, free a network part).
  void AtClose(std::function<void()> step);

  // --- output: message log, status line, news pane ---
  void AddChatLine(LineKind kind, std::string_view text);
  void SetStatus(std::string_view text, std::uint8_t percent);
  void AddNewsItem(std::string_view title, std::string_view content, std::string_view author,
                   std::string_view time);

  // --- link buttons ---
  void NewsButtonClick();
  void FaqButtonClick();
  void WwwButtonClick();
  void SecondSiteButtonClick();
  // "Check my ports": asks the directory whether it reaches this computer.
  void CheckPortsButtonClick();

  // --- controls changed by the user ---
  // The edge reports every user change of a control's value here (typed
  // text, toggled box, moved track bar); it runs that control's handler.
  void ControlChanged(Control c);
  // A spin box lost the focus: an out-of-range value is replaced by the
  // nearest bound, which counts as a change.
  void SpinBoxExit(Control c);
  void serverlistrefreshtimeChange();

  // --- state and components for the other parts of the window ---
  [[nodiscard]] OnlineState GetOnlineState() const { return online_state_; }
  void SetOnlineState(OnlineState state) { online_state_ = state; }
  [[nodiscard]] config::cConfigFile& Config() { return *config_; }
  [[nodiscard]] bool HasConfig() const { return config_ != nullptr; }
  [[nodiscard]] ports::Timer& updateconfig() { return *updateconfig_; }
  [[nodiscard]] ports::Timer& Timer2() { return *timer2_; }
  [[nodiscard]] View& view() { return view_; }
  // The directory client; exists from creation step 9 until the close.
  [[nodiscard]] directory::cWebinterface& Webinterface() { return *webinterface_; }
  [[nodiscard]] bool HasWebinterface() const { return webinterface_ != nullptr; }
  // The ping, the answer server and the game list; freed at the close.
  [[nodiscard]] presence::Presence& presence() { return *presence_; }

  // --- the directory client's events ---
  void HandleVersionResult(bool UpdateAvailable, const std::string& text);
  void HandleServerList(const directory::tServerLists& lists);
  void HandleConnectFailed();
  void HandleNewsItem(const std::string& title, const std::string& content, const std::string& author,
                      const std::string& time);
  [[nodiscard]] bool ConnectFailShown() const { return connect_fail_shown_; }

  // --- game list, joining and hosting ---
  // The periodic work: answer server, refresh, own ping, game detection,
  // withdrawal of a stale listing.
  void Timer2Timer();
  // Refresh: queues the server-list request.
  void Button2Click();
  // Connect (and a double-click on ListBox1): join the selected server.
  void Button1Click();
  // Host a game.
  void Button4Click();
  // The filter box's text changed: the list shows the matching games.
  void gamefilterChange();
  // The sort check box: sorted by time, or the directory's order.
  void sortgamesbytimeClick();
  // The context menu on a shown line of ListBox1 (-1: none under the
  // pointer): marks or unmarks that game's name as a favourite.
  void ListBox1ContextMenu(int line);
  [[nodiscard]] const GameListViewModel& ShownGames() const { return shown_games_; }

  // Puts a value into a spin box as the program does: the shown value is
  // clamped to the box's range, and the box's change handler runs when the
  // shown value actually changed.
  void SetSpinValue(Control c, std::int32_t value);
  // The spin box's current value by its value rule (not clamped).
  [[nodiscard]] std::int32_t SpinValue(Control c) const;
  // Saves "lobbyfind.ini"; a failure is shown in a message box with its text
  // and the program goes on.
  void SaveConfig();

  // --- options page ---
  // The settings load, run once by the updateconfig timer.
  void updateconfigTimer();
  // The game-directory prompt ("..." button, double-click on the field).
  void Button6Click();
  void currentplayernameChange();
  void currentgamemodeChange();
  void currentgamespeedChange();
  void currentfraglimitChange();
  void currentscorelimitChange();
  void currentgametimelimitChange();
  void currentpoliceenabledClick();
  void currentpoliceenabledKeyUp();
  void currentshowplayernamesClick();
  void currentshowplayernamesKeyUp();
  void timestampinchatClick();
  void timestampinchatKeyUp();
  void keepselectionafterwhisperClick();
  void keepselectionafterwhisperKeyUp();
  void upnpClick();
  void upnpKeyUp();
  // The edge reports a click of a check box and a key released on one here.
  void ControlClicked(Control c);
  void ControlKeyUp(Control c);
  // The settings load asks the directory service for these at its end; the
  // directory client fills them when it is created.
  std::function<void(std::int32_t version)> CheckVersion;
  std::function<void()> RequestNews;

  // --- chat room ---
  [[nodiscard]] bool HasIrcClient() const { return irc_client_ != nullptr; }
  [[nodiscard]] chat::TIrcClient& IrcClient() { return *irc_client_; }
  [[nodiscard]] PseudoRandom& Random() { return random_; }
  void Button7Click();
  void IrcClientNewMessageInChannel(const std::string& FromUser, const std::string& Content);
  void IrcClientNewPrivateMessage(const std::string& FromUser, const std::string& Content);
  void IrcClientNewDataArrived(const std::string& FromUser, const std::string& Content);
  void IrcClientMODTFinished();
  void IrcClientUserJoined(const std::string& Username);
  void IrcClientUserListReceived(std::vector<std::string>& Users);
  void IrcClientUserKicked(const std::string& UserName);
  void IrcClientUserLeft(const std::string& Username);
  void IrcClientUserQuit(const std::string& FromUser);
  void IrcClientUserChangedNick(const std::string& OldUsername, const std::string& newusername);
  void IrcClientNicknameAllreadyUsed();
  void IrcClientConnectionError(const std::string& reason);
  // The server ended a connection that was up.
  void IrcClientConnectionClosed();
  // Key released in the chat input. True when the key was consumed and must
  // go no further.
  bool Edit3KeyUp(Key key);
  void Edit3Click();
  void Edit3DblClick();
  void Edit3MouseDown();
  void Edit3MouseUp();
  // Key pressed in the chat input: Tab completes a nickname, Up and Down
  // recall the lines sent before. True when the key was consumed.
  bool Edit3KeyDown(Key key);
  // A click on a chat-log line, as shown (UTF-8), at byte `offset` of it: a
  // web address there opens in the browser.
  void ChatLogClicked(std::string_view line, std::size_t offset);

 private:
  void WriteWelcomeText();
  void FrameNewsPane();
  void ApplyStoredRefreshInterval();
  [[nodiscard]] std::string Timestamp() const;
  void OpenLink(const std::string& url);
  void CreateNetworkComponents();
  void CreateWebinterface();
  void FreeNetworkComponents();
  // Writes the connection values for `address`, then launches the game; a
  // failed write is shown and nothing is launched.
  void WriteAddressAndLaunch(const std::string& address);
  void LaunchGame();
  // The end of a write of the game's settings: a failure is shown in a
  // message box, as a handler's failure is; nothing when the window is gone.
  [[nodiscard]] game::GameBridge::Done ShowWriteFailure();

  // Runs a handler the user started; a failure is shown in a message box and
  // the program goes on, as the application's general error report does.
  template <typename Handler>
  void Reporting(Handler&& handler);
  // The change handler of a control, failures passed on to the caller.
  void RunChangeHandler(Control c);
  // Save the settings file; a failure is passed on.
  void SaveConfigOrFail();
  // Put a value into a control as the program does: the control's change
  // handler runs when the shown value changes.
  void PutText(Control c, std::string_view text);
  void PutChecked(Control c, bool checked);
  void PutPosition(Control c, int position);
  void StoreCheckBox(Control c, std::string_view key);
  void LoadSettings();
  void LoadGameListOptions();
  [[nodiscard]] GameListSource GameSource() const;
  void ApplyGameListRules();
  void AskGameDirectory();
  void SetupChat();
  void ShowLoginPage();
  void ShowGamesPage();
  void RemovePlayer(const std::string& name, std::string_view line_suffix);
  void SendChatInput(const std::string& text);
  void AppendChatLine(std::string_view text, Rgb colour);
  // What the notification rules need to know now; `choice` is the check box
  // of the kind of event.
  [[nodiscard]] NoticeMoment MomentFor(Control choice) const;
  void Notify(const std::optional<Notice>& notice);
  void NotifyNewGames(const std::vector<std::string>& names, const std::vector<std::string>& maps);
  void LoadNotificationChoices();
  void StoreNotificationChoice(Control c);

  View& view_;
  FormDeps deps_;
  std::unique_ptr<ports::Timer> updateconfig_;
  std::unique_ptr<ports::Timer> timer2_;
  std::unique_ptr<config::cConfigFile> config_;
  OnlineState online_state_ = OnlineState::osOffline;
  // Colour of the last chat line: a kind without a colour keeps it.
  Rgb chat_colour_ = kChatColour;
  std::vector<std::function<void()>> close_steps_;
  std::unique_ptr<chat::TIrcClient> irc_client_;
  PseudoRandom random_;
  // The HTTP component outlives the client that uses it.
  std::unique_ptr<directory::HttpExchange> http_;
  std::unique_ptr<directory::cWebinterface> webinterface_;
  std::unique_ptr<presence::Presence> presence_;
  // What of the game list is shown, and how; the favourites it marks.
  GameListViewModel shown_games_{view_};
  Favourites favourites_;
  // Whether the user was told that the game hosted here is unreachable.
  OwnGameReachability own_reachability_;
  bool connect_fail_shown_ = false;
  // The chat connection's error is in the log since the last "Login".
  bool chat_error_shown_ = false;
  NotificationRules notification_rules_;
  NickCompletion nick_completion_;
  ChatInputHistory input_history_;
  // Lives as long as the window: a write of the game's settings that ends
  // after the window was closed finds it expired and reports nothing.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

template <typename Handler>
void TForm1::Reporting(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    view_.ShowMessage(e.what());
  }
}

}  // namespace lobbyfind::app
