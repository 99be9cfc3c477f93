# bench_keys: the key storage: the secret key trial over 20 pairs of 2048 bits, open
# and save of a storage of 1,000 keys, and signing and verifying a large
# file beside hashing it alone.
kiv_bench(keys SOURCES ${CMAKE_SOURCE_DIR}/bench/keys.cpp OBJS kiv_safe)
add_dependencies(bench_keys zk5cipher zk5storage)
