# Compiler flags every target of the project shares.
add_compile_options(-Wall -Wextra -Wpedantic)
if(LOBBYFIND_WERROR)
  add_compile_options(-Werror)
endif()
if(LOBBYFIND_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # The sanitized tree exists to run the tests: -O1 (the level the sanitizers'
  # authors advise) and line tables only build it in about half the time of
  # -O2 with full debug information, and reports still name file and line.
  add_compile_options(-O1 -g1)
  # The sanitizers' instrumentation makes GCC see "maybe uninitialized" values
  # in the standard library's own code (std::regex, std::function) that the
  # optimised build does not warn about; the sanitizers check the real thing.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()
