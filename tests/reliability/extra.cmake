# The reliability suite runs the real window against real servers: ngircd, the
# directory service and servers of its own on loopback. It opens ten thousand
# sockets and floods the event loop, so nothing else may run beside it.
include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
target_sources(${test_program} PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service/directory_server_support.cpp)
target_include_directories(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/integration/directory_service)
add_dependencies(${test_program} lobbyfind-directory)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_DIRECTORY_BINARY="$<TARGET_FILE:lobbyfind-directory>")
set(test_extra_properties RUN_SERIAL TRUE TIMEOUT 600)
