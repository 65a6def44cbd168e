#include "gui/controls/file_dialog_ex.h"

#include <wx/filename.h>
#include <wx/tokenzr.h>

#include "gui/platform/wx_text.h"
#include "platform/message_box.h"

namespace varlo {
namespace {

wxString FolderOf(const wxString& fileName) {
    return fileName.empty() ? wxString() : wxFileName(fileName).GetPath();
}

wxString NameOf(const wxString& fileName) {
    return fileName.empty() ? wxString() : wxFileName(fileName).GetFullName();
}

// A save dialog never replaces a file without asking; an open one has nothing to ask.
long StyleOf(bool openFileDialog, long flags) {
    return openFileDialog ? (wxFD_OPEN | (flags & ~wxFD_OVERWRITE_PROMPT))
                          : (wxFD_SAVE | flags | wxFD_OVERWRITE_PROMPT);
}

wxString WildcardOf(const wxString& filter) {
    const wxString wildcard = CFileDialogEx::ConvertFilter(filter);
    return wildcard.empty() ? wxString(wxFileSelectorDefaultWildcardStr) : wildcard;
}

}  // namespace

CFileDialogEx::CFileDialogEx(bool openFileDialog, const wxString& defaultExt,
                             const wxString& fileName, long flags, const wxString& filter,
                             wxWindow* parent)
    : wxFileDialog(parent, openFileDialog ? Wx("ファイルを開く") : Wx("名前を付けて保存"),
                   FolderOf(fileName), NameOf(fileName), WildcardOf(filter),
                   StyleOf(openFileDialog, flags)),
      m_open(openFileDialog),
      m_defaultExt(defaultExt) {}

int CFileDialogEx::DoModal() {
    return ShowModal() == wxID_OK ? kIdOk : kIdCancel;
}

wxString CFileDialogEx::GetPathName() const {
    wxString path = GetPath();
    // Under the modal test hook GTK reports no path, only the folder and the name.
    if (path.empty() && !GetFilename().empty()) {
        path = wxFileName(GetDirectory(), GetFilename()).GetFullPath();
    }
    if (path.empty() || m_defaultExt.empty()) return path;
    wxFileName name(path);
    if (name.HasExt()) return path;
    // An existing file chosen in an open dialog keeps its name.
    if (m_open && name.FileExists()) return path;
    name.SetExt(m_defaultExt);
    return name.GetFullPath();
}

wxString CFileDialogEx::ConvertFilter(const wxString& filter) {
    wxStringTokenizer parts(filter, "|", wxTOKEN_RET_EMPTY_ALL);
    wxString result;
    while (parts.HasMoreTokens()) {
        const wxString description = parts.GetNextToken();
        if (description.empty() || !parts.HasMoreTokens()) break;
        const wxString pattern = parts.GetNextToken();
        if (pattern.empty()) break;
        if (!result.empty()) result += "|";
        result += description + "|" + pattern;
    }
    return result;
}

}  // namespace varlo
