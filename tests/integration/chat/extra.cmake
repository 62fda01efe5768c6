# The server's configuration template stays in the source tree.
target_compile_definitions(${test_program} PRIVATE LOBBYFIND_NGIRCD_CONF_TEMPLATE="${test_dir}/ngircd.conf.in")
