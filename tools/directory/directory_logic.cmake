# The directory service's rules as a library of plain C++ (no sockets, no
# SQLite), shared by the server program and its unit tests. Included from
# both places, so it defines its target only once.
if(NOT TARGET lobbyfind_directory_logic)
  set(lobbyfind_directory_dir ${CMAKE_CURRENT_LIST_DIR})
  add_library(lobbyfind_directory_logic STATIC
    ${lobbyfind_directory_dir}/client_address.cpp
    ${lobbyfind_directory_dir}/directory_service.cpp
    ${lobbyfind_directory_dir}/entry_store.cpp
    ${lobbyfind_directory_dir}/memory_entry_store.cpp
    ${lobbyfind_directory_dir}/query_string.cpp
    ${lobbyfind_directory_dir}/rate_limiter.cpp
    ${lobbyfind_directory_dir}/reachability.cpp
    ${lobbyfind_directory_dir}/reply_document.cpp
    ${lobbyfind_directory_dir}/server_options.cpp
    ${lobbyfind_directory_dir}/service_config.cpp
    ${lobbyfind_directory_dir}/text_sanitiser.cpp)
  # The wire names come from the lobby's own directory client (a header only).
  target_include_directories(lobbyfind_directory_logic PUBLIC ${lobbyfind_directory_dir}
                             ${lobbyfind_directory_dir}/../../src)
endif()
