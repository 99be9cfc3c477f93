// The pictures and standard keys of the main window's menu items and tool
// buttons. Each picture is taken from the desktop's icon theme by its
// freedesktop name; where the theme lacks it, a Qt standard picture of the
// same meaning, or a small drawn one where Qt has none.
#pragma once
#include <QIcon>
#include <QKeySequence>
#include <QStyle>

class QWidget;

namespace kiv {

struct ActionLook {
  const char* action;      // object name of the QAction
  const char* themeIcon;   // freedesktop icon name
  int fallback;            // QStyle::StandardPixmap, or a kDrawn... picture
  QKeySequence::StandardKey key;
};

// Pictures Qt's styles do not have, drawn here.
enum DrawnPicture { kDrawnCut = -10, kDrawnCopy, kDrawnPaste, kDrawnSelectAll, kDrawnAdd };

// Every action of the main window that has a picture or a standard key.
const ActionLook* ActionLooks(int* count);

// The keys of a standard key on this desktop; where the desktop binds
// nothing to it (Quit, Replace on some), the usual key (Ctrl+Q, Ctrl+H).
QList<QKeySequence> ActionKeys(QKeySequence::StandardKey key);

// The picture of a look: the theme's, else its fallback.
QIcon LookIcon(const ActionLook& look, const QStyle* style);

// Sets the picture and the standard key of every listed action found under
// window; the keys show in the menus.
void ApplyActionLooks(QWidget* window);

// The program's own icon (all sizes).
QIcon ProgramIcon();

// When the desktop names no icon theme, a fallback theme installed on the
// system (so the freedesktop names resolve).
void ChooseFallbackIconTheme();

}  // namespace kiv
