# The stand-in game host runs as a real process beside the test.
add_dependencies(${test_program} lobbyfind-gamehost)
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_GAMEHOST_PATH="$<TARGET_FILE:lobbyfind-gamehost>")
# The stand-in hosts bind UDP port 47624 on loopback addresses.
include(${CMAKE_SOURCE_DIR}/cmake/test_resource_lock.cmake)
lobbyfind_lock_discovered_tests(${test_program} loopback_udp_47624)
