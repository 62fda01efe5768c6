// Readable texts for Winsock error codes, as the system words them.
#pragma once

#include <string>

namespace lobbyfind::win32 {

[[nodiscard]] std::string WinsockErrorText(int error);

}  // namespace lobbyfind::win32
