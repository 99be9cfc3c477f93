# Decoders of zk5arc over arbitrary bytes: fuzz_arc_<coder>, one program per
# coder, all from fuzz/arc.cpp.
foreach(pair "lzpxj=arc.Lzpxj" "arith=arc.Arith" "lza=arc.LZA" "ascii=arc.ASCIIcoder")
  string(REPLACE "=" ";" p ${pair})
  list(GET p 0 name)
  list(GET p 1 cls)
  kiv_fuzz(arc_${name} SOURCES ${CMAKE_SOURCE_DIR}/fuzz/arc.cpp OBJS zk5arc)
  target_compile_definitions(fuzz_arc_${name} PRIVATE KIV_ARC_CODER="${cls}")
endforeach()
