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
# The window that the kill test starts and kills while it saves: a program of
# its own, so that it is no test of the suite.
add_executable(reliability_save_loop_child ${test_dir}/save_loop_child.cpp)
target_link_libraries(reliability_save_loop_child PRIVATE lobbyfind_qt Qt6::Test)
add_dependencies(${test_program} reliability_save_loop_child)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_SAVE_LOOP_CHILD="$<TARGET_FILE:reliability_save_loop_child>")
