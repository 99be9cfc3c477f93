# fuzz_rsa_blob: cipher.RSA's import of public and private key blobs.
kiv_fuzz(rsa_blob SOURCES ${CMAKE_SOURCE_DIR}/fuzz/rsa_blob.cpp OBJS zk5cipher)
