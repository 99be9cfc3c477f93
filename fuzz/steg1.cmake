# Carriers of zk5steg over arbitrary bytes, one target per class, all built
# from fuzz/steg_carrier.cpp; storage.MemStream is loaded from zk5storage.so.
foreach(carrier BMP WAVE ZIP Text)
  string(TOLOWER ${carrier} lower)
  kiv_fuzz(steg_${lower} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/steg_carrier.cpp OBJS zk5steg)
  target_compile_definitions(fuzz_steg_${lower} PRIVATE KIV_FUZZ_CARRIER="steg.${carrier}")
  add_dependencies(fuzz_steg_${lower} zk5storage)
endforeach()
