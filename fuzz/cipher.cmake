# Parsers of zk5cipher: Radix-64 text (fuzz_radix64) and cipher.RSA's import
# of public and private key blobs (fuzz_rsa_blob).
kiv_fuzz(radix64 SOURCES ${CMAKE_SOURCE_DIR}/fuzz/radix64.cpp OBJS zk5cipher)
kiv_fuzz(rsa_blob SOURCES ${CMAKE_SOURCE_DIR}/fuzz/rsa_blob.cpp OBJS zk5cipher)
