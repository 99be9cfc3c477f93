# bench_safe: a safe secret of many small and of a few large files beside
# its stages (Lzpxj, flow container, cipher stream), tar | gpg and 7z.
kiv_bench(safe SOURCES ${CMAKE_SOURCE_DIR}/bench/safe.cpp OBJS kiv_safe)
add_dependencies(bench_safe zk5storage zk5cipher zk5arc zk5steg)
