// Shell port for the Windows edition: ShellExecuteA with the verb "open",
// shown normally; web addresses go to the default browser, the game's
// executable starts with its parameters in its directory.
#pragma once

#include "ports/shell.h"

namespace lobbyfind::win32 {

class Win32Shell final : public ports::Shell {
 public:
  bool Open(const std::string& target, const std::string& parameters, const std::string& directory) override;
};

}  // namespace lobbyfind::win32
