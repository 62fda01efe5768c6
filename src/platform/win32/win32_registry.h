// The Windows registry as the game sees it.
//
// The game is a 32-bit program, so every key is opened in the 32-bit view
// (KEY_WOW64_32KEY): on 64-bit Windows that is HKLM\SOFTWARE\WOW6432Node.
//
// Virtualisation: the game has no manifest, so when a normal user starts it
// Windows virtualises its HKLM writes into the user's virtual store
// (HKCU\Software\Classes\VirtualStore\MACHINE\SOFTWARE[\WOW6432Node]\...) and
// shows it a merged view in which a value in the store wins over the same
// value in HKLM. This program is not virtualised (64-bit or manifested), so it
// rebuilds that view itself:
//  - reads take the value from the virtual store when it is there, else from HKLM;
//  - writes go to HKLM when the key can be opened for writing (an
//    administrator, or a key whose rights allow it) and then also to the
//    virtual store if the store already holds the key, so a value the game
//    once wrote there cannot hide ours; when HKLM cannot be written, they go to
//    the virtual store, exactly where the game's own writes land.
// A game started as administrator is not virtualised and sees only HKLM: it
// misses values written to the store by a lobby that had no right to write HKLM.
#pragma once

#include "game/registry_port.h"

namespace lobbyfind::platform {

class Win32Registry final : public game::RegistryBackend {
 public:
  [[nodiscard]] std::unique_ptr<game::RegistryKey> Open(game::RegistryRoot root, std::string_view path,
                                                        bool create) override;
};

}  // namespace lobbyfind::platform
