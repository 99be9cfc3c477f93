// A zk5main.so that lacks every function but zk_free, for the process test
// of a runtime function the program cannot find.
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) void zk_free(void* block) { std::free(block); }
