# The key storage's parsers of outside data: the storage file (Open), key
# files (ImportKeys) and signature files (ReadSignature, VerifyFile); one
# target per parser from the one source. zk5cipher and zk5storage are
# loaded by name from the program's folder, as the engine finds them.
foreach(target storage import signature)
  kiv_fuzz(keys_${target} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/keys.cpp OBJS kiv_safe)
  string(TOUPPER ${target} upper)
  target_compile_definitions(fuzz_keys_${target} PRIVATE KIV_KEYS_${upper}=1)
  add_dependencies(fuzz_keys_${target} zk5cipher zk5storage)
endforeach()
