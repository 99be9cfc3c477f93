// Out-of-line parts of the common toolkit object base.
#include <cstdio>

#include "ToolkitObject.h"

namespace zk {

void NullInterface(const char* interfaceId) {
  char text[256];
  std::snprintf(text, sizeof text, "Null pointer to <%s> interface!", interfaceId ? interfaceId : "");
  zk_WriteToLog(text);
  zk_ExceptMessage(kNullPointer);
}

}  // namespace zk
