# Compiler flags every target of the project shares.
add_compile_options(-Wall -Wextra -Wpedantic)
if(LOBBYFIND_WERROR)
  add_compile_options(-Werror)
endif()
if(LOBBYFIND_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
