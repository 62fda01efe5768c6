# Gives every test that gtest_discover_tests finds in one program a
# RESOURCE_LOCK, so that ctest -j never runs two programs at once that bind
# the same fixed port. The discovered names exist only when ctest reads the
# generated lists, so the lock is set there, after the program's own list.
function(lobbyfind_lock_discovered_tests test_program lock)
  set(lock_file ${CMAKE_CURRENT_BINARY_DIR}/${test_program}_lock.cmake)
  file(WRITE ${lock_file}
       "if(DEFINED ${test_program}_TESTS)\n"
       "  set_tests_properties(\${${test_program}_TESTS} PROPERTIES RESOURCE_LOCK ${lock})\n"
       "endif()\n")
  # Deferred to the end of the directory, after gtest_discover_tests added
  # the include file that defines the list. A deferred call reads variables
  # when it runs, so the file name is put in as text now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER CALL set_property DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES [[${lock_file}]])")
endfunction()
