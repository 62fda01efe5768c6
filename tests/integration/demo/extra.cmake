# The whole local network as the demo runs it: the game list's end-to-end
# set-up (directory service and stand-in hosts as child processes, run
# serially) plus a real ngircd. Screenshots of the three pages are left as
# artefacts in the build tree.
include(${CMAKE_CURRENT_SOURCE_DIR}/integration/game_list/extra.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_SCREENSHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}/demo-screenshots")
