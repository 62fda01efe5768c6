# The Windows edition end to end: lobbyfind.exe under Wine on its own Xvfb
# display, on the same local network as the demo (directory service, stand-in
# hosts, a real ngircd). The Windows programs come from the Windows lane's
# build; without them the test skips. Screenshots of the three pages (and of the
# chat log after a stranger's line) are left as artefacts in the build tree.
include(${CMAKE_CURRENT_SOURCE_DIR}/integration/game_list/extra.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
set(LOBBYFIND_WINDOWS_BIN "${CMAKE_SOURCE_DIR}/build-windows/core"
    CACHE PATH "Build tree of the Windows edition (lobbyfind.exe and its test helpers)")
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_WINDOWS_BIN="${LOBBYFIND_WINDOWS_BIN}"
  LOBBYFIND_SCREENSHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}/windows-screenshots")
# A fresh Wine prefix takes half a minute to boot. The Wine tests take their
# turns one by one (the lock) and together are the longest chain of the run:
# started first (the cost), the other tests fill the second processor meanwhile.
list(APPEND test_extra_properties TIMEOUT 300 RESOURCE_LOCK wine COST 1000)
