#include "game/registry_errors.h"

namespace lobbyfind::game {
namespace {

// The messages carry one "%s" for the value's name.
constexpr std::string_view kWrongTypeMessage = "Ungültiger Datentyp für '%s'";
constexpr std::string_view kReadFailedMessage = "Konnte Daten für '%s' nicht holen";
constexpr std::string_view kWriteFailedMessage = "Konnte Daten für '%s' nicht setzen";

std::string FormatMessage(std::string_view format, std::string_view value_name) {
  std::string text(format);
  const auto at = text.find("%s");
  text.replace(at, 2, value_name);
  return text;
}

}  // namespace

RegistryError::RegistryError(std::string_view message_format, std::string_view value_name)
    : std::runtime_error(FormatMessage(message_format, value_name)), value_name_(value_name) {}

RegistryTypeError::RegistryTypeError(std::string_view value_name)
    : RegistryError(kWrongTypeMessage, value_name) {}

RegistryReadError::RegistryReadError(std::string_view value_name)
    : RegistryError(kReadFailedMessage, value_name) {}

RegistryWriteError::RegistryWriteError(std::string_view value_name)
    : RegistryError(kWriteFailedMessage, value_name) {}

}  // namespace lobbyfind::game
