# The stand-in game host runs as a real process beside the test.
add_dependencies(${test_program} lobbyfind-gamehost)
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>")
