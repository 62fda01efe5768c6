// Asks the desktop to "open" something: a web address in the default
// browser, or a program file with parameters in a working directory.
#pragma once

#include <string>

namespace lobbyfind::ports {

class Shell {
 public:
  Shell() = default;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;
  virtual ~Shell() = default;

  // Opens `target` shown normally and returns at once. `parameters` and
  // `directory` may be empty. False when the request could not be handed
  // over; callers that do not report a failed launch ignore the result.
  virtual bool Open(const std::string& target, const std::string& parameters,
                    const std::string& directory) = 0;
};

}  // namespace lobbyfind::ports
