kiv_fuzz(radix64 SOURCES ${CMAKE_SOURCE_DIR}/fuzz/radix64.cpp OBJS zk5cipher)
