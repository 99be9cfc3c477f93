# bench_ciphers: the nine block ciphers (ECB over 16 MiB, both directions,
# and key set-up) and the four fixed digests beside Crypto++.
kiv_bench(ciphers SOURCES ${CMAKE_SOURCE_DIR}/bench/ciphers.cpp OBJS zk5cipher LIBS ${KIV_CRYPTOPP_LIB})
