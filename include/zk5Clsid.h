// The id catalogue: every class id and interface id of the toolkit, in one
// fixed order (the index is the position in IdCatalogue). The names and the
// table both come from the one list in zk5IdList.inc.
#pragma once
#include <cstddef>

namespace zk::id {

#define ZK_ID(name, text) inline constexpr char name[] = text;
#include "zk5IdList.inc"
#undef ZK_ID

// Internal ids used only inside zk5storage.
inline constexpr char LocalFlowProvider[] = "local.fos.FlowProvider";
inline constexpr char LocalFlowStream[] = "local.fos.FlowStream";

inline constexpr std::size_t kCatalogueSize = 0
#define ZK_ID(name, text) +1
#include "zk5IdList.inc"
#undef ZK_ID
    ;
static_assert(kCatalogueSize == 97);

}  // namespace zk::id

namespace zk {
// The catalogue proper, indexed as above.
extern const char* const IdCatalogue[id::kCatalogueSize];
}  // namespace zk
