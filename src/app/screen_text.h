// How the core's bytes become screen text and typed text becomes bytes, the
// same for every edition (docs/text.md). Screen text is handed between the
// core and an edition as UTF-8, which every toolkit converts losslessly.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/view.h"

namespace lobbyfind::app {

// Where typed text goes, which decides its bytes: the game's values
// (registry strings) are in the game's code page, Windows-1252; what goes to
// the chat server is UTF-8.
enum class TextTarget { kGame, kChat };

// The bytes as shown: themselves when they are valid UTF-8, else read as
// Windows-1252. The result is valid UTF-8.
[[nodiscard]] std::string ShownText(std::string_view bytes);

// One line of a log: as ShownText, with every control character (tab apart)
// and the Unicode line and paragraph separators shown as their visible
// pictures (U+2400 and on), so that a line a stranger sends stays one line.
[[nodiscard]] std::string ShownLine(std::string_view bytes);

// The bytes for typed screen text (UTF-8) going to `target`; nothing when a
// character cannot be held there (anything outside Windows-1252 for the game).
[[nodiscard]] std::optional<std::string> TypedBytes(std::string_view screen, TextTarget target);

// Where the text of a control goes when the user types into it.
[[nodiscard]] TextTarget TargetOf(Control c);

// The message for typed text that its target cannot hold.
[[nodiscard]] std::string UnholdableTextMessage(TextTarget target);

// Case-insensitive order of a sorted list, as a Windows list box sorts: the
// letters compared without case, byte by byte otherwise.
[[nodiscard]] bool LessIgnoringCase(std::string_view a, std::string_view b);

// Remembers, per control, the bytes last put into it and the screen text the
// control showed for them, so that text the user did not change comes back
// byte for byte, whatever its bytes, and changed text is encoded afresh.
class ShownTexts {
 public:
  // After the edition put `bytes` into `c` and read back `shown`.
  void Remember(Control c, std::string_view bytes, std::string_view shown);
  // The bytes for what `c` shows now: the remembered ones while the control
  // still shows what it showed for them, else the typed text encoded for the
  // control's target (the remembered bytes again, when it cannot be held).
  [[nodiscard]] std::string Bytes(Control c, std::string_view shown) const;
  // As Bytes for what the user just typed, which is remembered when its
  // target can hold it; nothing when it cannot.
  std::optional<std::string> Typed(Control c, std::string_view shown);
  // The bytes last remembered for `c` (empty for none).
  [[nodiscard]] std::string Last(Control c) const;

 private:
  struct Entry {
    std::string bytes;
    std::string shown;
  };
  std::map<Control, Entry> entries_;
};

}  // namespace lobbyfind::app
