# The floor program and the lobby are run as child processes and timed.
add_executable(lobbyfind-empty-window ${CMAKE_CURRENT_SOURCE_DIR}/empty_window.cpp ${CMAKE_SOURCE_DIR}/src/qt/shown_probe.cpp)
target_include_directories(lobbyfind-empty-window PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(lobbyfind-empty-window PRIVATE Qt6::Widgets)
add_dependencies(${name} lobbyfind lobbyfind-empty-window)
target_compile_definitions(${name} PRIVATE LOBBYFIND_PROGRAM="$<TARGET_FILE:lobbyfind>"
                                           LOBBYFIND_EMPTY_WINDOW="$<TARGET_FILE:lobbyfind-empty-window>")
