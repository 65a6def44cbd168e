#pragma once
// Where the program keeps the files it fetches and the preview page.

#include <string>

namespace varlo {

// The folder of the running program's file, without trailing "/"; when that folder cannot be
// written (an installed program), the per-user folder $XDG_DATA_HOME/Varlo (default
// ~/.local/share/Varlo), created when missing.
std::string GetProgramFolder();

// The folder GetProgramFolder() chooses for a program lying in `executableFolder`: that folder
// when the program may write there, otherwise the per-user folder.
std::string ProgramFolderFor(const std::string& executableFolder);

// Overrides the folder (tests, and VARLO_PROGRAM_FOLDER in the environment); empty restores it.
void SetProgramFolder(const std::string& folder);

// GetProgramFolder() + "/MorvaPreview.html".
std::string GetPreviewPath();

}  // namespace varlo
