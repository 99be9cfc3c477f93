# bench_steg: steg.BMP, steg.WAVE and steg.Text over large files beside a
# plain copy; fos.FileSys is loaded from zk5storage.so.
kiv_bench(steg SOURCES ${CMAKE_SOURCE_DIR}/bench/steg.cpp OBJS zk5steg)
add_dependencies(bench_steg zk5storage)
