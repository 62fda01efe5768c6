# The whole local network as the demo runs it: a real ngircd, the directory
# service and four stand-in game hosts that announce themselves, around the
# real main window. Screenshots of the three pages are left as artefacts.
include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
target_sources(${test_program} PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service/directory_server_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/presence/game_host_process_support.cpp)
target_include_directories(${test_program} PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service ${CMAKE_CURRENT_SOURCE_DIR}/integration/presence)
add_dependencies(${test_program} lobbyfind-directory lobbyfind-gamehost)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_DIRECTORY_BINARY="$<TARGET_FILE:lobbyfind-directory>"
  LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>"
  LOBBYFIND_SCREENSHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}/demo-screenshots")
# The hosts bind UDP port 47624 on 127.0.0.2 to 127.0.0.5.
set(test_extra_properties RUN_SERIAL TRUE)
