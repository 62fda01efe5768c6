// The registry as the game bridge needs it: open (or create) one key path
// below a root with full access, query one value's type and bytes, set one
// value with a type. One backend per platform (Win32 API, a Wine prefix's
// registry file, memory for tests); the procedures over it hold the rules.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::game {

// The roots the program may name; every caller of this program uses the
// local-machine root.
enum class RegistryRoot { kLocalMachine, kCurrentUser };

// Value types with the numbers the Windows registry gives them, so that
// backends store and report them unchanged.
namespace reg_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
inline constexpr std::uint32_t kQword = 11;
}  // namespace reg_type

// One value as the 8-bit ("A") registry interface sees it: strings are
// 8-bit characters with their zero terminator.
struct RegistryValue {
  std::uint32_t type = reg_type::kNone;
  std::vector<std::uint8_t> data;
};

enum class QueryStatus {
  kFound,       // value filled in
  kAbsent,      // no value of that name
  kUnreadable,  // the value exists but the platform refused its data
};

// An open key; closed when destroyed.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Value names compare without regard to case, as the registry does.
  [[nodiscard]] virtual QueryStatus Query(std::string_view name, RegistryValue& value) = 0;
  // Replaces any existing value of that name, whatever its type. False on failure.
  [[nodiscard]] virtual bool Set(std::string_view name, std::uint32_t type,
                                 std::span<const std::uint8_t> data) = 0;
};

// One value of a write batch.
struct RegistryWrite {
  std::string path;
  std::string name;
  RegistryValue value;
};

// Reports the end of a batch: the name of the value that could not be
// written, or nothing when all are in.
using WriteDone = std::function<void(std::optional<std::string> failed_name)>;

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // Opens `path` (backslash-separated, a leading backslash ignored) with
  // read and write access. With `create`, every missing key along the path is
  // created. Null when the key is absent (and not created) or cannot be
  // opened with full access.
  [[nodiscard]] virtual std::unique_ptr<RegistryKey> Open(RegistryRoot root, std::string_view path,
                                                          bool create) = 0;

  // Writes the values of one user action in order, each key path created
  // when missing, and stops at the first failure; the values written before
  // it stay. `done` runs on the caller's thread: here, before this returns.
  // A backend whose writes take long runs them elsewhere and calls `done`
  // later through the event loop; batches are applied in the order given.
  virtual void WriteBatch(RegistryRoot root, std::vector<RegistryWrite> writes, WriteDone done);

  // Brings what Open reads of `path` up to the registry as it is now, then
  // runs `done` on the caller's thread. Here reads are always live, so
  // `done` runs at once; a backend that reads a copy refreshes it first.
  virtual void Refresh(RegistryRoot root, std::string_view path, std::function<void()> done);
};

// Splits a key path into its names: a leading backslash (or several) and
// empty names between doubled backslashes are dropped.
[[nodiscard]] std::vector<std::string> SplitKeyPath(std::string_view path);

// ASCII case folding, the comparison the registry applies to names here.
[[nodiscard]] std::string FoldCase(std::string_view text);
[[nodiscard]] bool SameName(std::string_view a, std::string_view b);

}  // namespace lobbyfind::game
