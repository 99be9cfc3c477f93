# bench_kivfile: a command-line driver over the engine that saves and opens
# a file secret, for timing whole commands beside gpg and 7z (bench_peers).
# A benchmark tool: never installed.
if(TARGET kiv_safe_objs)
  kiv_bench(kivfile SOURCES ${CMAKE_SOURCE_DIR}/bench/kivfile.cpp OBJS kiv_safe)
  add_dependencies(bench_kivfile zk5storage zk5cipher zk5steg zk5arc)
endif()
