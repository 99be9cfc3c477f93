# Every carrier of zk5steg over arbitrary bytes: fuzz_steg_<class>, one
# target per class, all built from the one harness fuzz/steg.cpp;
# storage.MemStream is loaded from zk5storage.so.
foreach(carrier BMP WAVE GIF JPEG PNG MP3 Text ZIP)
  string(TOLOWER ${carrier} lower)
  kiv_fuzz(steg_${lower} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/steg.cpp OBJS zk5steg)
  target_compile_definitions(fuzz_steg_${lower} PRIVATE KIV_FUZZ_CARRIER="steg.${carrier}")
  add_dependencies(fuzz_steg_${lower} zk5storage)
endforeach()
