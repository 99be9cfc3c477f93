# fuzz_flowctrl: opening damaged flow containers (storage.DynFlowCtrl and the
# static ones) and working on the flows they hold.
kiv_fuzz(flowctrl SOURCES ${CMAKE_SOURCE_DIR}/fuzz/flowctrl.cpp OBJS zk5storage)
