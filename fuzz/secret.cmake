# fuzz_secret_content: the message and file readers of kiv_safe over
# arbitrary decrypted content (encrypted under a fixed password first, so
# the digest holds and the readers see the fuzzer's bytes).
if(TARGET kiv_safe_objs)
  kiv_fuzz(secret_content SOURCES ${CMAKE_SOURCE_DIR}/fuzz/secret_content.cpp OBJS kiv_safe)
  add_dependencies(fuzz_secret_content zk5storage zk5cipher zk5arc)
endif()
