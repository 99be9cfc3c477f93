// The enabled and shown states of the main window's menus and tool bars, as
// one pure function of what is shown: the open kind (0 nothing, 1 message,
// 2 file, 3 safe), the saved flag, whether the clipboard offers text and
// whether the memo has a selection.
#pragma once
#include <cstdint>

namespace kiv {

struct MainStateInput {
  int32_t openKind = 0;
  bool saved = true;
  bool clipboardHasText = false;
  bool memoHasSelection = false;
};

struct MainStates {
  // Menus.
  bool secretSave, secretClose, secretProperties, secretDelete;
  bool edit, editCut, editCopy, editPaste, editDelete, editSelectAll;
  bool editFind, editReplace, editRead, editWrite;
  bool file, fileAdd, fileGet, fileDelete, fileView, fileRename;
  bool folder;  // and all its items
  // Tool bars: which of the three content bars shows (0 none), and the
  // buttons whose state is not that of their bar.
  int32_t shownToolBar;  // 1 edit, 2 one file, 3 safe
  bool tlbSave, tlbCut, tlbCopy, tlbPaste;
};

MainStates ComputeMainStates(const MainStateInput& in);

}  // namespace kiv
