# A test program that starts a real ngircd: the launcher and its
# configuration template, which stays in the source tree.
target_sources(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd_server.cpp)
target_include_directories(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_compile_definitions(${test_program}
                           PRIVATE LOBBYFIND_NGIRCD_CONF_TEMPLATE="${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.conf.in")
