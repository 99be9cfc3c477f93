# bench_rsa: cipher.RSA's raw operations and key generation beside OpenSSL.
kiv_bench(rsa SOURCES ${CMAKE_SOURCE_DIR}/bench/rsa.cpp OBJS zk5cipher LIBS OpenSSL::Crypto)
