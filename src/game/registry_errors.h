// The errors the registry procedures raise. Each carries the value's name and
// the message the user is shown, which names that value.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace lobbyfind::game {

class RegistryError : public std::runtime_error {
 public:
  RegistryError(std::string_view message_format, std::string_view value_name);
  [[nodiscard]] const std::string& value_name() const { return value_name_; }

 private:
  std::string value_name_;
};

// A read found a value of another type than the one asked for.
class RegistryTypeError : public RegistryError {
 public:
  explicit RegistryTypeError(std::string_view value_name);
};

// The platform refused to deliver the value's data.
class RegistryReadError : public RegistryError {
 public:
  explicit RegistryReadError(std::string_view value_name);
};

// A write failed, including a key path that could not be opened or created.
class RegistryWriteError : public RegistryError {
 public:
  explicit RegistryWriteError(std::string_view value_name);
};

}  // namespace lobbyfind::game
