# The platform backends: on Linux the Wine prefix registry and the X11 window
# control (its test starts its own Xvfb); on Windows the Win32 backends. Each
# window test opens a stand-in game window in a child process.
target_link_libraries(${test_program} PRIVATE lobbyfind_platform)
if(WIN32)
  # Found by the test beside its own program.
  add_executable(win32_test_window ${test_dir}/helpers/win32_test_window.cpp)
  add_dependencies(${test_program} win32_test_window)
  # The registry and the desktop's windows are one per Wine prefix, shared by
  # every test of the lane: these tests take turns among themselves.
  set(test_extra_properties RESOURCE_LOCK wine_prefix)
else()
  add_executable(x11_test_window ${test_dir}/helpers/x11_test_window.cpp)
  target_link_libraries(x11_test_window PRIVATE xcb)
  # The test makes windows of its own too.
  target_link_libraries(${test_program} PRIVATE xcb)
  add_dependencies(${test_program} x11_test_window)
  target_compile_definitions(${test_program} PRIVATE
    X11_TEST_WINDOW="$<TARGET_FILE:x11_test_window>")
endif()
