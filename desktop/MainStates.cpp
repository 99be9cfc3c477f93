#include "desktop/MainStates.h"

namespace kiv {

MainStates ComputeMainStates(const MainStateInput& in) {
  MainStates s{};
  const int32_t k = in.openKind;
  const bool shown = k >= 1 && k <= 3;
  s.secretSave = s.secretClose = s.secretProperties = s.secretDelete = shown;
  const bool message = k == 1;
  s.edit = s.editCut = s.editCopy = s.editPaste = s.editDelete = message;
  s.editSelectAll = s.editFind = s.editReplace = s.editRead = s.editWrite = message;
  s.file = s.fileAdd = s.fileGet = k == 2 || k == 3;
  s.fileDelete = s.fileView = s.fileRename = k == 3;
  s.folder = k == 3;
  s.shownToolBar = shown ? k : 0;
  s.tlbSave = message;
  s.tlbCut = s.tlbCopy = s.tlbPaste = message;
  if (shown) {
    // Save only with something to save.
    s.secretSave = !in.saved;
    s.tlbSave = !in.saved;
    if (s.edit) {
      s.editPaste = s.tlbPaste = in.clipboardHasText;
      s.editCut = s.editCopy = s.editDelete = in.memoHasSelection;
      s.tlbCut = s.tlbCopy = in.memoHasSelection;
    }
  }
  return s;
}

bool SavedAfter(SecretEvent event, int32_t openKind) {
  // Only a message and a safe hold changes the window has to write.
  if (openKind != 1 && openKind != 3) return true;
  switch (event) {
    case SecretEvent::kOpened:
    case SecretEvent::kSaved:
    case SecretEvent::kClosed:
      return true;
    case SecretEvent::kCreated:
    case SecretEvent::kChanged:
    case SecretEvent::kSaveFailed:
      return false;
  }
  return true;
}

}  // namespace kiv
