#pragma once
// The tool bar's pictures, drawn by the program: in colour for a command that can run, and a grey
// copy for one that cannot, so the two states tell apart whatever the desktop's icon theme is
// (themes draw these symbols grey, which made enabled buttons look disabled).

#include <wx/bitmap.h>

namespace varlo {

enum class ToolIcon { kBack, kForward, kStop, kUpdate, kOpen, kSave, kHelp };

// The picture of `icon` in colour, `size` pixels square.
wxBitmap ToolIconBitmap(ToolIcon icon, int size = 16);

// The grey, faded form of `bitmap` that the tool bar shows while its command is disabled.
wxBitmap DisabledToolBitmap(const wxBitmap& bitmap);

}  // namespace varlo
