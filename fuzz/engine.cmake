# Parsers of the engine: the text encoder's blocks.
kiv_fuzz(engine_textdecode SOURCES ${CMAKE_SOURCE_DIR}/fuzz/engine_textdecode.cpp OBJS kiv_safe)
add_dependencies(fuzz_engine_textdecode zk5cipher zk5storage zk5arc)
