# Parsers of zk5script: parameter files and language text files.
kiv_fuzz(script_param SOURCES ${CMAKE_SOURCE_DIR}/fuzz/script_param.cpp OBJS zk5script)
kiv_fuzz(script_textres SOURCES ${CMAKE_SOURCE_DIR}/fuzz/script_textres.cpp OBJS zk5script)
