# The floor programs and the lobby are run as child processes under a private
# Xvfb and timed to their first top-level window mapped, which the benchmark
# watches for over its own X connection.
add_executable(lobbyfind-empty-window ${CMAKE_CURRENT_SOURCE_DIR}/empty_window.cpp)
target_link_libraries(lobbyfind-empty-window PRIVATE Qt6::Widgets)
add_executable(lobbyfind-label-window ${CMAKE_CURRENT_SOURCE_DIR}/label_window.cpp
                                      ${CMAKE_SOURCE_DIR}/src/qt/resources.qrc)
set_target_properties(lobbyfind-label-window PROPERTIES AUTORCC ON)
target_link_libraries(lobbyfind-label-window PRIVATE Qt6::Widgets)
add_executable(lobbyfind-toolkit-only ${CMAKE_CURRENT_SOURCE_DIR}/toolkit_only.cpp)
target_link_libraries(lobbyfind-toolkit-only PRIVATE Qt6::Widgets)
# Linked as it is written: the linker would drop a library nothing seems to use.
target_link_options(lobbyfind-toolkit-only PRIVATE -Wl,--no-as-needed)
target_link_libraries(${name} PRIVATE xcb)
add_dependencies(${name} lobbyfind lobbyfind-empty-window lobbyfind-label-window lobbyfind-toolkit-only)
target_compile_definitions(${name} PRIVATE LOBBYFIND_PROGRAM="$<TARGET_FILE:lobbyfind>"
                                           LOBBYFIND_EMPTY_WINDOW="$<TARGET_FILE:lobbyfind-empty-window>"
                                           LOBBYFIND_LABEL_WINDOW="$<TARGET_FILE:lobbyfind-label-window>"
                                           LOBBYFIND_TOOLKIT_ONLY="$<TARGET_FILE:lobbyfind-toolkit-only>")
