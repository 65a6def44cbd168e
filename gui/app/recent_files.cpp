#include "gui/app/recent_files.h"

#include <wx/menu.h>

#include <algorithm>

#include "encoding/codepage.h"
#include "gui/platform/settings.h"
#include "gui/platform/wx_text.h"

namespace varlo {

namespace {
const char* const kSection = "Recent File List";
}

void CRecentFileList::Load(ISettings& settings) {
    m_paths.clear();
    for (int i = 1; i <= m_max; ++i) {
        const Text value = settings.GetString(kSection, "File" + std::to_string(i), {});
        if (value.empty()) break;
        m_paths.push_back(Cp932ToUtf8(value));
    }
}

void CRecentFileList::Save(ISettings& settings) const {
    for (int i = 0; i < m_max; ++i) {
        const std::string name = "File" + std::to_string(i + 1);
        if (i < static_cast<int>(m_paths.size())) {
            settings.WriteString(kSection, name, Utf8ToCp932(m_paths[static_cast<size_t>(i)]));
        } else if (!settings.GetString(kSection, name, {}).empty()) {
            settings.WriteString(kSection, name, {});
        }
    }
}

void CRecentFileList::Add(const std::string& path) {
    Remove(path);
    m_paths.insert(m_paths.begin(), path);
    if (static_cast<int>(m_paths.size()) > m_max) m_paths.resize(static_cast<size_t>(m_max));
}

void CRecentFileList::Remove(const std::string& path) {
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}

std::string CRecentFileList::MenuLabel(int index, const std::string& path) {
    // Long paths keep their file name and lose the middle of the folder part.
    const wxString full = wxString::FromUTF8(path);
    wxString shown = full;
    const size_t limit = 30;
    if (full.length() > limit) {
        const size_t slash = full.find_last_of('/');
        const wxString name = slash == wxString::npos ? full : full.Mid(slash);
        if (name.length() + 3 >= limit) {
            shown = "..." + name.Right(limit - 3);
        } else {
            shown = full.Left(limit - 3 - name.length()) + "..." + name;
        }
    }
    shown.Replace("&", "&&");
    return ("&" + std::to_string(index + 1) + " ") + std::string(shown.utf8_str());
}

void CRecentFileList::UpdateMenu(wxMenu& menu, int firstId) const {
    // Where the entries stand: the position of the first one (or of the placeholder).
    size_t position = 0;
    bool found = false;
    for (size_t i = 0; i < menu.GetMenuItemCount(); ++i) {
        if (menu.FindItemByPosition(i)->GetId() == firstId) {
            position = i;
            found = true;
            break;
        }
    }
    if (!found) return;
    for (int i = 0; i < m_max; ++i) {
        if (menu.FindItem(firstId + i)) menu.Destroy(firstId + i);
    }
    if (m_paths.empty()) {
        menu.Insert(position, firstId, Wx("最近使ったﾌｧｲﾙ"));
        menu.Enable(firstId, false);
        return;
    }
    for (size_t i = 0; i < m_paths.size(); ++i) {
        menu.Insert(position + i, firstId + static_cast<int>(i),
                    wxString::FromUTF8(MenuLabel(static_cast<int>(i), m_paths[i])));
    }
}

}  // namespace varlo
