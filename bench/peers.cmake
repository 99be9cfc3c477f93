# bench_peers: whole commands (bench_kivfile's save and open of a file
# secret) beside gpg -c, 7z a -p -mhe=on and tar | zstd -3 | openssl enc.
if(TARGET bench_kivfile)
  kiv_bench(peers SOURCES ${CMAKE_SOURCE_DIR}/bench/peers.cpp)
  add_dependencies(bench_peers bench_kivfile)
endif()
