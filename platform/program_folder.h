#pragma once
// Where the program keeps the files it fetches and the preview page. Files there are replaced by
// every download, so the folder must be one that no other user can write: anyone who could plant
// a link or a file there could make Varlo overwrite or read something of theirs.

#include <string>

namespace varlo {

// The folder of the running program's file, without trailing "/", when it belongs to this user
// and nobody else can write it; otherwise a private per-user folder (see ProgramFolderFor).
std::string GetProgramFolder();

// The folder GetProgramFolder() chooses for a program lying in `executableFolder`, the first that
// is private to this user: that folder; $XDG_DATA_HOME/Varlo; ~/.local/share/Varlo;
// $XDG_RUNTIME_DIR/Varlo; varlo-UID under the temporary folder (mode 0700); as a last resort a
// fresh folder of this process under the temporary folder. Missing per-user folders are created.
std::string ProgramFolderFor(const std::string& executableFolder);

// Overrides the folder for tests; empty restores it. VARLO_PROGRAM_FOLDER in the environment
// overrides it as well, when it names a folder private to this user.
void SetProgramFolder(const std::string& folder);

// GetProgramFolder() + "/MorvaPreview.html".
std::string GetPreviewPath();

}  // namespace varlo
