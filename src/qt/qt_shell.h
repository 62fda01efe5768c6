// Shell port for the Linux edition: web addresses open in the desktop's
// default browser; anything else is a program of the game's (a Windows
// executable), started detached through the configured launcher (Wine by
// default) in the given working directory.
#pragma once

#include <functional>
#include <string>

#include "ports/shell.h"

namespace lobbyfind::qt {

class QtShell final : public ports::Shell {
 public:
  bool Open(const std::string& target, const std::string& parameters,
            const std::string& directory) override;

  // The launcher program, asked anew for each launch; empty runs the target
  // itself. Without a provider the default launcher is used.
  void SetLauncher(std::function<std::string()> launcher) { launcher_ = std::move(launcher); }

 private:
  std::function<std::string()> launcher_;
};

}  // namespace lobbyfind::qt
