# The stand-in game host runs as a real process beside the test.
add_dependencies(${test_program} lobbyfind-gamehost)
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>")
# The round trips are compared with the hosts' delays to a few milliseconds:
# nothing else may run beside them.
set(test_extra_properties RUN_SERIAL TRUE)
