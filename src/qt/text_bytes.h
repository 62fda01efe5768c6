// The one place where the core's 8-bit strings meet screen text: bytes are
// shown as UTF-8 where they are valid UTF-8, else as Latin-1; typed text goes
// back to the core as UTF-8.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace lobbyfind::qt {

[[nodiscard]] QString ToScreen(std::string_view bytes);
[[nodiscard]] std::string ToBytes(const QString& text);
// Screen text for one line of a log: control characters (tab apart) and the
// characters a text view takes as line or frame breaks are shown as their
// visible stand-ins (U+2400 and on), so that a line a stranger sends stays
// one line and cannot pass for several.
[[nodiscard]] QString ToScreenLine(std::string_view bytes);

}  // namespace lobbyfind::qt
