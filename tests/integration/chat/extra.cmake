include(${CMAKE_CURRENT_SOURCE_DIR}/support/ngircd.cmake)
