// Shell port for the Linux edition: web addresses open in the desktop's
// default browser. Program launches come with the game bridge.
#pragma once

#include "ports/shell.h"

namespace lobbyfind::qt {

class QtShell final : public ports::Shell {
 public:
  bool Open(const std::string& target, const std::string& parameters,
            const std::string& directory) override;
};

}  // namespace lobbyfind::qt
