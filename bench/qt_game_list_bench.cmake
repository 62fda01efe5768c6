# The ping accuracy runs the stand-in game host beside the window.
target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/integration/presence/game_host_process_support.cpp)
add_dependencies(${name} lobbyfind-gamehost)
target_compile_definitions(${name} PRIVATE LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>")
