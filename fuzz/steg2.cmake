# The copy carriers GIF, JPEG, PNG and MP3 over arbitrary carrier bytes: one
# target per class from the one source.
foreach(carrier GIF JPEG PNG MP3)
  string(TOLOWER ${carrier} lower)
  kiv_fuzz(steg_${lower} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/steg2.cpp OBJS zk5steg)
  target_compile_definitions(fuzz_steg_${lower} PRIVATE KIV_CARRIER="steg.${carrier}")
endforeach()
