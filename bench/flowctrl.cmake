# bench_flowctrl: storage.DynFlowCtrl over file streams beside a plain file stream.
kiv_bench(flowctrl SOURCES ${CMAKE_SOURCE_DIR}/bench/flowctrl.cpp OBJS zk5storage)
