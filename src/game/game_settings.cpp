#include "game/game_settings.h"

#include "game/connection_address.h"

namespace lobbyfind::game {

AddressTooLongError::AddressTooLongError(std::string_view address)
    : std::invalid_argument("The server address \"" + std::string(address) + "\" is longer than " +
                            std::to_string(kMaxServerAddressLength) +
                            " characters; the game cannot use it.") {}

}  // namespace lobbyfind::game
