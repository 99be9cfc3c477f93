# bench_arc: arc.Lzpxj on text, binary and random data beside gzip -6,
# zstd -3 and xz -6 (spawned on the same files), many small Encode calls,
# and the throughput of the other coders.
kiv_bench(arc SOURCES ${CMAKE_SOURCE_DIR}/bench/arc.cpp
          ${CMAKE_SOURCE_DIR}/tests/support/CoderTestSupport.cpp OBJS zk5arc)
