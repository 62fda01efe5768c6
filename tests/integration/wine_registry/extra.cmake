# The interop test runs a Windows program under Wine: the registry probe,
# cross-built here with mingw-w64 (one file, the raw registry API).
target_link_libraries(${test_program} PRIVATE lobbyfind_platform)
find_program(LOBBYFIND_MINGW_CXX x86_64-w64-mingw32-g++-posix REQUIRED)
set(probe ${CMAKE_CURRENT_BINARY_DIR}/registry_probe.exe)
add_custom_command(
  OUTPUT ${probe}
  COMMAND ${LOBBYFIND_MINGW_CXX} -std=c++20 -O1 -static -Wall -Wextra -Wpedantic -Werror
          -I${test_dir} -I${PROJECT_SOURCE_DIR}/src ${test_dir}/helpers/registry_probe.cpp -o ${probe}
  DEPENDS ${test_dir}/helpers/registry_probe.cpp ${test_dir}/interop_values.h
          ${PROJECT_SOURCE_DIR}/src/game/game_settings.h ${PROJECT_SOURCE_DIR}/src/game/registry_port.h
  COMMENT "Cross-building the Windows registry probe")
add_custom_target(${test_program}_probe DEPENDS ${probe})
add_dependencies(${test_program} ${test_program}_probe)
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_REGISTRY_PROBE="${probe}")
# Wine keeps one server folder a prefix, named after the prefix's inode, and
# a prefix removed by one test may hand its inode to the next one's: tests
# that start and end wineservers take turns; started before the rest of the
# run, as the Windows edition's tests are (see there).
set(test_extra_properties RESOURCE_LOCK wine COST 1000)
