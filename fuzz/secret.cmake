# fuzz_secret_content: the message and file readers of kiv_safe over
# arbitrary decrypted content (encrypted under a fixed password first, so
# the digest holds and the readers see the fuzzer's bytes).
if(TARGET kiv_safe_objs)
  kiv_fuzz(secret_content SOURCES ${CMAKE_SOURCE_DIR}/fuzz/secret_content.cpp OBJS kiv_safe)
  add_dependencies(fuzz_secret_content zk5storage zk5cipher zk5arc)
endif()
# fuzz_secret_open: a whole secret file of arbitrary bytes opened with a
# fixed password and a key storage of one fixed key pair (prefix, key
# block, header, digest). Its seeds (fuzz/seeds/fuzz_secret_open, password
# and RSA modes) are made by make_secret_open_seeds, built beside it:
#   build-fuzz/bin/make_secret_open_seeds fuzz/seeds/fuzz_secret_open
if(TARGET kiv_safe_objs)
  kiv_fuzz(secret_open SOURCES ${CMAKE_SOURCE_DIR}/fuzz/secret_open.cpp OBJS kiv_safe)
  target_include_directories(fuzz_secret_open PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
  add_dependencies(fuzz_secret_open zk5storage zk5cipher zk5arc)
  add_executable(make_secret_open_seeds ${CMAKE_SOURCE_DIR}/fuzz/secret_open_seeds.cpp)
  kiv_link_objects(make_secret_open_seeds kiv_safe)
  target_include_directories(make_secret_open_seeds PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
  target_link_libraries(make_secret_open_seeds PRIVATE zk5main Threads::Threads ${CMAKE_DL_LIBS})
  add_dependencies(make_secret_open_seeds zk5storage zk5cipher zk5arc)
endif()
