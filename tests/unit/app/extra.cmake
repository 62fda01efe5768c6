# The core's window tests run against the fake View and the fake ports.
target_sources(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/fake_view.cpp)
target_include_directories(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
