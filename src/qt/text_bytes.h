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

}  // namespace lobbyfind::qt
