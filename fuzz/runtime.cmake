kiv_fuzz(relpath SOURCES ${CMAKE_SOURCE_DIR}/fuzz/relpath.cpp)
