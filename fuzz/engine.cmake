# Parsers of the engine: the text encoder's blocks.
kiv_fuzz(engine_textdecode SOURCES ${CMAKE_SOURCE_DIR}/fuzz/engine_textdecode.cpp OBJS kiv_safe)
add_dependencies(fuzz_engine_textdecode zk5cipher zk5storage zk5arc)
# The wholeness check of a user's settings file, against the script's own
# parser and writer.
kiv_fuzz(engine_userconfig SOURCES ${CMAKE_SOURCE_DIR}/fuzz/engine_userconfig.cpp OBJS kiv_safe zk5script)
