# The lobby end to end: the real directory service and stand-in game hosts run
# as child processes; their helpers come from the directory service's and the
# presence tests.
target_sources(${test_program} PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service/directory_server_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/presence/game_host_process_support.cpp)
target_include_directories(${test_program} PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service ${CMAKE_CURRENT_SOURCE_DIR}/integration/presence)
# The long list is seeded into the directory's own SQLite store.
target_link_libraries(${test_program} PRIVATE lobbyfind_directory_store)
add_dependencies(${test_program} lobbyfind-directory lobbyfind-gamehost)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_DIRECTORY_BINARY="$<TARGET_FILE:lobbyfind-directory>"
  LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>")
# The stand-in hosts bind UDP port 47624 on loopback addresses, and the round
# trips are compared with their delays to a few milliseconds: nothing else may
# run beside them.
set(test_extra_properties RUN_SERIAL TRUE)
