// The one place where the core's 8-bit strings meet Qt's screen text, by the
// core's text rule (app/screen_text.h): bytes are shown as UTF-8 where they
// are valid UTF-8, else as Windows-1252.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace lobbyfind::qt {

[[nodiscard]] QString ToScreen(std::string_view bytes);
// Screen text as the core's UTF-8 screen text (not yet encoded for a target).
[[nodiscard]] std::string ToUtf8(const QString& text);
// Screen text for one line of a log: characters that would break the line
// are shown as their visible stand-ins, so that a line a stranger sends stays
// one line and cannot pass for several.
[[nodiscard]] QString ToScreenLine(std::string_view bytes);

}  // namespace lobbyfind::qt
