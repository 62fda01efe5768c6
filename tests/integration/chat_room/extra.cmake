include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
# The desktop's notification service, stood in for on a private D-Bus.
target_sources(${test_program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/notification_standin.cpp)
# The browser's stand-in receives web addresses through a slot.
set_target_properties(${test_program} PROPERTIES AUTOMOC ON)
# Pictures of the chat aids and the notification options, for the README.
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_SCREENSHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}/chat-screenshots")
