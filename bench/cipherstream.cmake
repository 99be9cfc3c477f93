# bench_cipherstream: cipher.FileStreamCFB writing and reading a file beside
# the raw block cipher, and draws from cipher.Entropy. Loads zk5storage.so
# (fos.FileSys) from its own folder.
kiv_bench(cipherstream SOURCES ${CMAKE_SOURCE_DIR}/bench/cipherstream.cpp OBJS zk5cipher)
add_dependencies(bench_cipherstream zk5storage)
