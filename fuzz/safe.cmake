# fuzz_safe: a safe loaded from arbitrary catalogue bytes, and the
# operations that follow (zk5storage and zk5arc are loaded by name).
kiv_fuzz(safe SOURCES ${CMAKE_SOURCE_DIR}/fuzz/safe.cpp OBJS kiv_safe)
add_dependencies(fuzz_safe zk5storage zk5arc)
# Seeds (fuzz/seeds/fuzz_safe): the nested safe's catalogue of
# engine/tests/data/nested_safe.hex, the empty one and a cut one, each
# followed by 300 bytes of random.seed(19) script.
