# The directory service's rules are a library of their own beside the tool.
include(${CMAKE_SOURCE_DIR}/tools/directory/directory_logic.cmake)
target_link_libraries(${test_program} PRIVATE lobbyfind_directory_logic)
