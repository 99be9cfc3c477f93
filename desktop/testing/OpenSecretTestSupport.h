// Sets the open secret's saved flag or kind as a test needs it, and tells
// the view as any change of them does.
#pragma once
#include "desktop/OpenSecret.h"

namespace kiv {

class OpenSecretProbe {
 public:
  static void SetSaved(OpenSecret& m, bool saved) {
    m.saved_ = saved;
    m.Notify(false);
  }
  static void SetKind(OpenSecret& m, int32_t kind) {
    m.kind_ = kind;
    m.Notify(false);
  }
};

}  // namespace kiv
