#pragma once
// The program's icon in every size it ships, for the main window and the about box.

#include <wx/iconbndl.h>

namespace varlo {

// The icon bundle decoded from the images compiled into the program; empty only when no image
// decodes.
const wxIconBundle& ProgramIcons();

}  // namespace varlo
