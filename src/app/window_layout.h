// The main window's layout, declared once: every control, frame and caption
// of the three pages with its kind, its place and what it starts with. Both
// editions build their pages from this table, and the GUI tests check the
// real windows against it.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "app/view.h"

namespace lobbyfind::app {

enum class ControlKind {
  Frame,         // a group box with its caption
  Label,         // plain text
  Button,        // a push button
  Edit,          // one-line edit
  PasswordEdit,  // one-line edit, typed characters shown as "*"
  ReadOnlyEdit,  // one-line edit the user cannot type into
  CheckBox,
  SpinBox,       // whole number typed, with arrows; range from app/spin_box.h
  TrackBar,      // horizontal, a tick at each step
  DropDown,      // fixed drop-down list, nothing chosen at start
  List,          // one entry selectable
  SortedList,    // sorted without case, several entries selectable
  RichText,      // read-only text view with a vertical scroll bar
};

struct FontStyle {
  std::string_view face;
  int points = 8;
  bool bold = false;
};

struct Placement {
  Control page;              // tab_Start, tab_Internetgames or tab_Options
  std::string_view frame;    // caption of the frame it sits in; empty: on the page
  ControlKind kind;
  std::string_view name;     // the control's name; empty for a plain label or frame
  std::string_view caption;  // caption, or the initial text of an edit
  // Place inside its frame (or page), in pixels. A label of width 0 is as
  // wide as its caption, a check box as wide as the frame allows.
  Rect place;
  std::optional<Control> control{};     // the control the core knows it by
  std::span<const std::string_view> items{};  // of a drop-down list
  int min = 0, max = 0, initial = 0;    // of a track bar
  std::optional<FontStyle> font{};       // else the window's font
  std::string_view cue{};               // of an edit: greyed hint while empty
};

// The pages without a tab when the program starts: chat and games wait for
// a login. An edition that shows its window before the core starts makes it
// without them, so that its first frame is as the start leaves it.
inline constexpr std::array<Control, 1> kPagesHiddenAtStart{Control::tab_Internetgames};

// The window's own font, for every control without one of its own.
inline constexpr FontStyle kWindowFont{"MS Sans Serif", 8, false};

// Every placement, page by page, in the order the controls are made.
[[nodiscard]] std::span<const Placement> WindowLayout();

// The placement of a named control; nullptr for none.
[[nodiscard]] const Placement* FindPlacement(std::string_view name);

}  // namespace lobbyfind::app
