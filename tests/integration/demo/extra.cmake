# The whole local network as the demo runs it: the game list's end-to-end
# set-up (directory service and stand-in hosts as child processes, run
# serially) plus a real ngircd and a raw second chat user. The tests run on
# an X display of their own (under_xvfb.sh starts Xvfb per test program run;
# test discovery passes through it without a display). Screenshots of the
# three pages are left as artefacts in the build tree.
include(${CMAKE_CURRENT_SOURCE_DIR}/integration/game_list/extra.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
target_sources(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/irc_peer.cpp)
set_target_properties(${test_program} PROPERTIES CROSSCOMPILING_EMULATOR ${test_dir}/under_xvfb.sh)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_SCREENSHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}/demo-screenshots"
  LOBBYFIND_STAND_IN_DIR="${CMAKE_SOURCE_DIR}/scripts/demo")
# The game's windows at start: the X11 stand-in window from the platform tests.
add_dependencies(${test_program} x11_test_window)
target_compile_definitions(${test_program} PRIVATE X11_TEST_WINDOW="$<TARGET_FILE:x11_test_window>")
# The program itself, started with and without a dbus-launch on PATH.
add_dependencies(${test_program} lobbyfind)
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_PROGRAM="$<TARGET_FILE:lobbyfind>")
