#include "desktop/ExternalCommandsUnit.h"

#include <QWidget>

#include "desktop/CommonUnit.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"

namespace kiv {

bool CarrierTypeAccepted(QWidget* owner, zk::ITextRes* texts, const std::string& path) {
  int32_t kind = 0, format = 0;
  // A secret file (".kvs") is not a carrier.
  if (OpenKindsFromPath(path, kind, format) && kind != 1) return true;
  CurrentPrompter().Message(owner, owner->windowTitle(), GetResText(texts, txt::kNotACarrier),
                            BoxIcon::kInformation, BoxButtons::kOk);
  return false;
}

}  // namespace kiv
