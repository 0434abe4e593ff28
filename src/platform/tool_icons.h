#pragma once
// The icons of the capture and crop toolbars: the desktop's icon theme when
// it has them (freedesktop names), else small drawn ones that say the same.
#include <QIcon>

namespace kuvo {

enum class ToolIcon {
  Redo,    // start the selection again ("view-refresh")
  Copy,    // to the clipboard ("edit-copy")
  Save,    // save and add to the list ("document-save")
  Confirm, // accept the crop ("dialog-ok")
  Exit,    // leave the tool ("window-close")
};

// The theme's icon for kind, or the drawn fallback.
QIcon toolIcon(ToolIcon kind);

// Only the drawn icon (what users without an icon theme see).
QIcon drawnToolIcon(ToolIcon kind);

} // namespace kuvo
