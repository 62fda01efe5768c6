// What the main window shows and asks, seen from the core. The Qt edge (and
// the Win32 edge) implement it over real widgets; tests use a fake.
//
// Two rules keep every behaviour in the core:
//  - A setter of the View never calls back into the core. When the core puts
//    a value into a control and the shown value changes, the core runs that
//    control's change handler itself.
//  - The edge forwards only what the user did (typed, clicked, chose), as
//    calls of the core's handlers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::app {

// The main window's controls, named as the program knows them. The hidden
// server lists of the game list are plain data of the core, not controls.
enum class Control {
  // pages
  PageControl1,
  tab_Start,
  tab_Internetgames,
  tab_Options,
  // Start page
  onlinenews,
  newsbackgroundlabel,
  currentplayername,
  Edit4,
  Button7,
  // Internet games page
  chatlog,
  ListBox2,
  playershint,
  Edit3,
  ListBox1,
  Button1,
  Button4,
  // Options page
  currentgamemode,
  currentgamespeed,
  currentfraglimit,
  currentscorelimit,
  currentgametimelimit,
  currentpoliceenabled,
  currentgtadirectory,
  Button6,
  currentshowplayernames,
  timestampinchat,
  keepselectionafterwhisper,
  serverlistrefreshtime,
  upnp,
  // bottom
  StatusBar,
  // Options page: notifications while the window is in the background
  notifynewgames,
  notifywhispers,
  notifymynick,
  // Internet games page: narrowing and ordering the game list
  gamefilter,
  sortgamesbytime,
};

// Keys the core reacts to, by its own names; an edition maps its toolkit's
// key codes to these.
enum class Key {
  Enter,
  Tab,
  Up,
  Down,
  Other,
};

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A control's place in the window's client area, in pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// How one entry of a list is drawn. Its text stays as set; a list entry
// starts in the list's own colour (`plain`), not bold.
struct ItemStyle {
  std::optional<Rgb> colour;
  bool bold = false;
  friend bool operator==(const ItemStyle&, const ItemStyle&) = default;
};

// Character format of one line of the news pane.
struct TextFormat {
  int point_size = 8;
  bool bold = false;
  Rgb colour;
  friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

class View {
 public:
  virtual ~View() = default;

  // Plain text of an edit, label or spin box (a spin box's text is what the
  // user typed; the core reads its value from it).
  [[nodiscard]] virtual std::string Text(Control c) const = 0;
  virtual void SetText(Control c, std::string_view text) = 0;

  // Check boxes.
  [[nodiscard]] virtual bool Checked(Control c) const = 0;
  virtual void SetChecked(Control c, bool checked) = 0;

  // Track bar position, drop-down item index (-1: none).
  [[nodiscard]] virtual int Position(Control c) const = 0;
  virtual void SetPosition(Control c, int position) = 0;

  // List boxes. A sorted list (ListBox2) keeps its items in order itself:
  // AddItem inserts there in case-insensitive order; elsewhere it appends.
  [[nodiscard]] virtual std::vector<std::string> Items(Control c) const = 0;
  virtual void SetItems(Control c, const std::vector<std::string>& items) = 0;
  virtual void SetItem(Control c, int index, std::string_view text) = 0;
  virtual void AddItem(Control c, std::string_view text) = 0;
  // As AddItem for each, in order; a view that can take many entries in one
  // go (a game list fills thousands of lines) does so.
  virtual void AddItems(Control c, const std::vector<std::string>& items) {
    for (const auto& item : items) AddItem(c, item);
  }
  virtual void DeleteItem(Control c, int index) = 0;
  [[nodiscard]] virtual bool Selected(Control c, int index) const = 0;
  virtual void SetSelected(Control c, int index, bool selected) = 0;
  // The look of one entry. SetItems starts every entry plain; SetItem keeps
  // the entry's look.
  [[nodiscard]] virtual ItemStyle ItemStyleAt(Control c, int index) const = 0;
  virtual void SetItemStyle(Control c, int index, const ItemStyle& style) = 0;
  // Marks an entry of the game list as a game the directory could not reach
  // from the internet, without touching its text. Until the list's items
  // are replaced; an edition that cannot show it ignores it.
  virtual void MarkUnreachable(Control /*c*/, int /*index*/) {}

  // Pages of PageControl1.
  virtual void SetPageVisible(Control page, bool visible) = 0;
  [[nodiscard]] virtual bool PageVisible(Control page) const = 0;
  virtual void SetActivePage(Control page) = 0;
  [[nodiscard]] virtual Control ActivePage() const = 0;

  // The chat log: plain text lines (never markup), each in one colour.
  [[nodiscard]] virtual int ChatLogLineCount() const = 0;
  virtual void ChatLogDeleteFirstLine() = 0;
  // Appends a line, puts the caret at the end and scrolls it into view.
  virtual void ChatLogAppend(std::string_view text, Rgb colour) = 0;
  virtual void ChatLogClear() = 0;

  // The news pane: appends one plain text line in the given format.
  virtual void NewsAppend(std::string_view text, const TextFormat& format) = 0;

  // The status bar's two panels (0: text, 1: percentage bar).
  [[nodiscard]] virtual std::string StatusPanelText(int panel) const = 0;
  virtual void SetStatusPanelText(int panel, std::string_view text) = 0;
  // Paints the status bar now, without waiting for the event loop.
  virtual void RepaintStatusBar() = 0;

  // Width of a status panel in pixels.
  virtual void SetStatusPanelWidth(int panel, int width) = 0;

  // Geometry and background colour of a control (the news pane and the label
  // that frames it).
  [[nodiscard]] virtual Rect Bounds(Control c) const = 0;
  virtual void SetBounds(Control c, const Rect& bounds) = 0;
  [[nodiscard]] virtual Rgb BackgroundColour(Control c) const = 0;
  virtual void SetBackgroundColour(Control c, Rgb colour) = 0;

  // Modal dialogs. The event loop keeps running while one is open, so other
  // handlers of the core may run before these return.
  virtual void ShowMessage(std::string_view text) = 0;
  // Returns the edited text on OK and `initial` on Cancel.
  virtual std::string InputQuery(std::string_view caption, std::string_view prompt,
                                 std::string_view initial) = 0;
  // The chosen folder, or nothing when the user cancelled.
  virtual std::optional<std::string> BrowseFolder(std::string_view title) = 0;
  // A context menu at the mouse pointer: the index of the chosen entry, or
  // nothing when the user dismissed it.
  virtual std::optional<int> PopupMenu(const std::vector<std::string>& entries) = 0;
};

}  // namespace lobbyfind::app
