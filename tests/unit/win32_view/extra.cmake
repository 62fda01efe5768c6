# The view contract against the Windows edition's real main window, run
# under Wine by the Windows lane; on Linux the program holds no test.
if(WIN32)
  target_link_libraries(${test_program} PRIVATE lobbyfind_win32)
endif()
