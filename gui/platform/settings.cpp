#include "gui/platform/settings.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <cstdlib>
#include <filesystem>

#include "gui/platform/wx_text.h"
#include "platform/private_files.h"
#include "platform/settings_path.h"

namespace varlo {

int MemorySettings::GetInt(const std::string& section, const std::string& name, int def) {
    const auto it = m_values.find({section, name});
    if (it == m_values.end()) return def;
    char* end = nullptr;
    const long value = std::strtol(it->second.c_str(), &end, 10);
    return end && *end == '\0' && !it->second.empty() ? static_cast<int>(value) : def;
}

void MemorySettings::WriteInt(const std::string& section, const std::string& name, int value) {
    m_values[{section, name}] = std::to_string(value);
    ++m_writes;
}

Text MemorySettings::GetString(const std::string& section, const std::string& name,
                               const Text& def) {
    const auto it = m_values.find({section, name});
    return it == m_values.end() ? def : it->second;
}

void MemorySettings::WriteString(const std::string& section, const std::string& name,
                                 const Text& value) {
    m_values[{section, name}] = value;
    ++m_writes;
}

namespace {

wxString Key(const std::string& section, const std::string& name) {
    return "/" + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(name);
}

}  // namespace

std::string FileSettings::DefaultPath() {
    return SettingsFilePath();
}

FileSettings::FileSettings(std::string path) : m_path(std::move(path)) {
    m_config =
        std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxString::FromUTF8(m_path),
                                       wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    // Values are kept as written: no environment variable expansion, no escaping surprises.
    m_config->SetExpandEnvVars(false);
    // The file names the user's subscription files and recent folders: theirs alone to read.
    m_config->SetUmask(077);
}

FileSettings::~FileSettings() {
    // Nothing is written here: a store that was only read leaves the file alone.
    m_config->DisableAutoSave();
}

int FileSettings::GetInt(const std::string& section, const std::string& name, int def) {
    long value = def;
    return m_config->Read(Key(section, name), &value, def) ? static_cast<int>(value) : def;
}

void FileSettings::WriteInt(const std::string& section, const std::string& name, int value) {
    m_config->Write(Key(section, name), static_cast<long>(value));
    Flush();
}

Text FileSettings::GetString(const std::string& section, const std::string& name, const Text& def) {
    wxString value;
    return m_config->Read(Key(section, name), &value) ? FromWx(value) : def;
}

void FileSettings::WriteString(const std::string& section, const std::string& name,
                               const Text& value) {
    m_config->Write(Key(section, name), ToWx(value));
    Flush();
}

void FileSettings::Flush() {
    MakeFolders(std::filesystem::path(m_path).parent_path().string());
    m_config->Flush();  // a failed write is ignored, as the program always has
    // A file written by an earlier version keeps its mode through the rewrite; it is narrowed here.
    MakeFilePrivate(m_path);
}

namespace {
MemorySettings g_fallback;
ISettings* g_settings = &g_fallback;
}  // namespace

ISettings& Settings() {
    return *g_settings;
}

void SetSettings(ISettings* settings) {
    g_settings = settings ? settings : &g_fallback;
}

}  // namespace varlo
