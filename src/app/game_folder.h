// The game's folder as the program keeps it once the user chose it.
#pragma once

#include <string>

namespace lobbyfind::app {

// Without a trailing separator ("/" or "\"), except for a root: "/" and
// "C:\" stay whole, since "C:" alone names the current folder of drive C.
[[nodiscard]] std::string GameFolderAsKept(std::string folder);

}  // namespace lobbyfind::app
