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

// What happens to the shown secret, as far as the saved flag cares.
enum class SecretEvent {
  kOpened,      // an existing secret is shown
  kCreated,     // a new secret is shown
  kChanged,     // the content was changed in the window
  kSaved,       // Save succeeded
  kSaveFailed,  // Save failed
  kClosed,      // closed or deleted
};

// The saved flag after the event, for the open kind shown (0-3). A
// one-file secret is written by each change itself, so it never has
// anything to save; a new message or safe has until it is saved.
bool SavedAfter(SecretEvent event, int32_t openKind);

}  // namespace kiv
