// The one ordered list of all class and interface ids, as a table.
#include "zk5Clsid.h"

namespace zk {

const char* const IdCatalogue[id::kCatalogueSize] = {
#define ZK_ID(name, text) id::name,
#include "zk5IdList.inc"
#undef ZK_ID
};

}  // namespace zk
