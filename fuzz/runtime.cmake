# fuzz_relpath: the runtime's relative paths of arbitrary strings.
kiv_fuzz(relpath SOURCES ${CMAKE_SOURCE_DIR}/fuzz/relpath.cpp)
