# bench_secret: file and message secrets saved and opened beside their
# stages (digest, CFB stream, Lzpxj, carrier embed) and gpg --symmetric.
# Loads zk5storage, zk5cipher, zk5steg and zk5arc from its own folder.
if(TARGET kiv_safe_objs)
  kiv_bench(secret SOURCES ${CMAKE_SOURCE_DIR}/bench/secret.cpp OBJS kiv_safe)
  add_dependencies(bench_secret zk5storage zk5cipher zk5steg zk5arc)
endif()
