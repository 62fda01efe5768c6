// The main window on the platform's own controls, each a child window with
// the id of its name (control_ids.h). It holds no behaviour of the program:
// Win32View shows the core's output in it, and Win32App forwards the user's
// actions (the hooks below) to the core.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "app/view.h"

namespace lobbyfind::win32 {

class MainWindow {
 public:
  static constexpr int kClientWidth = 692;
  static constexpr int kClientHeight = 542;
  static constexpr int kBannerHeight = 89;
  static constexpr int kStatusBarPanelWidth = 40;

  MainWindow();
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  [[nodiscard]] HWND Handle() const { return window_; }
  // The control's window (a spin box: its edit); nullptr for none.
  [[nodiscard]] HWND Child(app::Control c) const { return controls_.at(static_cast<std::size_t>(c)); }
  [[nodiscard]] HWND StatusBar() const { return Child(app::Control::StatusBar); }

  // The pages in their tab order, and which of them have a tab.
  [[nodiscard]] bool PageVisible(app::Control page) const;
  void SetPageVisible(app::Control page, bool visible);
  void SetActivePage(app::Control page);
  [[nodiscard]] app::Control ActivePage() const;

  // The background a control is painted with (static controls by brush, rich
  // text by its own setting); set by the view, remembered here.
  void SetBackground(HWND control, COLORREF colour);
  [[nodiscard]] COLORREF Background(HWND control) const;

  // While a Quiet lives, changes the program makes are not reported as the
  // user's.
  class Quiet {
   public:
    explicit Quiet(MainWindow& window) : window_(window) { ++window_.quiet_; }
    ~Quiet() { --window_.quiet_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

   private:
    MainWindow& window_;
  };
  [[nodiscard]] bool IsQuiet() const { return quiet_ > 0; }

  // What the user did. Commands come with the control's id and the
  // notification code; scrolls from the track bar; arrows of a spin box with
  // their step (+1 up, -1 down).
  std::function<void(int id, int code)> OnCommand;
  std::function<void(int id)> OnTrackBarScroll;
  std::function<void(int id, int step)> OnSpinArrows;
  // A context menu asked for on a list box: the entry under the pointer (or
  // the current one, from the keyboard); -1 for none.
  std::function<void(int id, int entry)> OnListContextMenu;
  // Runs before the control's own handling of a message; true swallows it.
  // Several hooks of one control run in the order they were added.
  using MessageHook = std::function<bool(UINT message, WPARAM wparam, LPARAM lparam)>;
  void Hook(HWND control, MessageHook hook);

  void Show();

 private:
  struct Page {
    app::Control control;
    const char* caption;
    HWND window;
    bool visible;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK HookProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleNotify(const NMHDR& header);
  void HandleContextMenu(HWND control, LPARAM at);

  void CreateFrame();
  HWND CreatePage(app::Control control, const char* caption);
  // The controls the layout table places on a page.
  void BuildPage(HWND page, app::Control which);
  void StyleTextView(app::Control c, COLORREF background, COLORREF text);
  void BuildStartPage();
  void BuildInternetGamesPage();
  void BuildOptionsPage();
  void BuildStatusBar();
  void ShowBanner();
  void RebuildTabs();
  void PlacePages();

  // Child windows at a place on a page; `origin` is the group they sit in.
  struct Origin {
    HWND page;
    int x;
    int y;
  };
  HWND Place(const Origin& at, const char* window_class, const char* text, DWORD style, int x, int y,
             int width, int height, int id = 0, DWORD ex_style = 0);
  Origin Group(HWND page, const char* title, int x, int y, int width, int height);
  void Label(const Origin& at, const char* text, int x, int y, int width = 0, int height = 16);
  HWND Button(const Origin& at, int id, const char* caption, int x, int y, int width = 75, int height = 25);
  HWND CheckBox(const Origin& at, app::Control c, const char* caption, int x, int y, int width);
  HWND Edit(const Origin& at, app::Control c, const char* text, DWORD style, int x, int y, int width);
  void SpinBox(const Origin& at, app::Control c, int x, int y, int width);
  HWND RichText(const Origin& at, app::Control c, DWORD style, int x, int y, int width, int height);
  void Keep(app::Control c, HWND window) { controls_.at(static_cast<std::size_t>(c)) = window; }

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  // The window's font in bold: favourite games in the game list.
  HFONT bold_font_ = nullptr;
  HBITMAP banner_ = nullptr;
  // One per control the core knows; the game list's filter and sort box come last.
  std::array<HWND, static_cast<std::size_t>(app::Control::sortgamesbytime) + 1> controls_{};
  std::vector<Page> pages_;
  struct BackgroundEntry {
    HWND control;
    COLORREF colour;
    HBRUSH brush;
  };
  std::vector<BackgroundEntry> backgrounds_;
  struct HookEntry;
  std::vector<std::unique_ptr<HookEntry>> hooks_;
  // Each hooked control's entry, looked up on every message the control
  // gets: a window property would cost a trip to the window server (under
  // Wine) on each, and a check box is read for every chat line.
  static std::unordered_map<HWND, HookEntry*>& HookedControls();
  int quiet_ = 0;
};

}  // namespace lobbyfind::win32
