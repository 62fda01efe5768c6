# Runs the real lobbyfind-directory program; the SQLite store is tested directly.
target_link_libraries(${test_program} PRIVATE lobbyfind_directory_store)
target_compile_definitions(${test_program} PRIVATE
  LOBBYFIND_DIRECTORY_BINARY="$<TARGET_FILE:lobbyfind-directory>")
add_dependencies(${test_program} lobbyfind-directory)
