// The registry contract against the real Windows registry (run under Wine in
// the Windows lane), below a key of its own that each test removes again.
#ifdef _WIN32

#include <windows.h>

#include "platform/win32/win32_registry.h"
#include "support/registry_contract.h"

namespace lobbyfind::platform {
namespace {

using game::testing_support::RegistryContract;
using game::testing_support::RegistryFactory;
using game::testing_support::RegistryUnderTest;

void RemoveTestKeys() {
  HKEY software = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &software) == ERROR_SUCCESS) {
    RegDeleteTreeA(software, "lobbyfind test");
    RegCloseKey(software);
  }
}

class Win32UnderTest final : public RegistryUnderTest {
 public:
  Win32UnderTest() { RemoveTestKeys(); }
  ~Win32UnderTest() override { RemoveTestKeys(); }
  game::RegistryBackend& backend() override { return registry_; }

 private:
  Win32Registry registry_;
};

INSTANTIATE_TEST_SUITE_P(Win32, RegistryContract,
                         ::testing::Values(RegistryFactory{"Win32", [] { return std::make_unique<Win32UnderTest>(); }}),
                         game::testing_support::PrintFactory);

TEST(Win32Registry, WritesLandInTheThirtyTwoBitView) {
  Win32UnderTest registry;
  game::RegWriteInteger(registry.backend(), game::RegistryRoot::kLocalMachine, "SOFTWARE\\lobbyfind test\\View", "n", 7);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\lobbyfind test\\View", 0, KEY_READ | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  DWORD value = 0;
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(key, "n", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 7U);
  RegCloseKey(key);
  // The 64-bit view does not hold it.
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\lobbyfind test\\View", 0, KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
}

}  // namespace
}  // namespace lobbyfind::platform

#endif
