#pragma once
// The recent-file list: up to nine subscription files, most recent first, shown in the File menu at
// the place of its first item and kept in the settings as "Recent File List" / "File1"...

#include <string>
#include <vector>

class wxMenu;

namespace varlo {

class ISettings;

class CRecentFileList {
  public:
    explicit CRecentFileList(int maxFiles = 9) : m_max(maxFiles) {}

    // Reads "File1".."File9" (missing values end the list).
    void Load(ISettings& settings);
    // Writes the list back.
    void Save(ISettings& settings) const;
    // Puts `path` first (an entry of the same path moves up).
    void Add(const std::string& path);
    // Removes an entry.
    void Remove(const std::string& path);
    const std::vector<std::string>& Paths() const { return m_paths; }

    // Rebuilds the entries of `menu` in place of the command ids from `firstId` on: the placeholder
    // "最近使ったﾌｧｲﾙ" (grayed) when the list is empty.
    void UpdateMenu(wxMenu& menu, int firstId) const;
    // The text of a menu entry: "&N " and the path shortened to 30 characters.
    static std::string MenuLabel(int index, const std::string& path);

  private:
    int m_max;
    std::vector<std::string> m_paths;
};

}  // namespace varlo
