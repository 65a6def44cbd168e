#pragma once
// The settings store: values in sections, each an integer or a text, read with a default where
// they are used and written back when the user changes them. Nothing is written at start-up.

#include <map>
#include <memory>
#include <string>

#include "platform/text.h"

class wxFileConfig;

namespace varlo {

class ISettings {
  public:
    virtual ~ISettings() = default;
    // The integer `name` of `section`, or `def` when it is missing or not a number.
    virtual int GetInt(const std::string& section, const std::string& name, int def) = 0;
    // Writes an integer.
    virtual void WriteInt(const std::string& section, const std::string& name, int value) = 0;
    // The text `name` of `section` (code page 932), or `def` when missing.
    virtual Text GetString(const std::string& section, const std::string& name,
                           const Text& def) = 0;
    // Writes a text.
    virtual void WriteString(const std::string& section, const std::string& name,
                             const Text& value) = 0;
};

// Settings in memory, for tests and for a program without a settings file.
class MemorySettings : public ISettings {
  public:
    int GetInt(const std::string& section, const std::string& name, int def) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    Text GetString(const std::string& section, const std::string& name, const Text& def) override;
    void WriteString(const std::string& section, const std::string& name,
                     const Text& value) override;
    // Number of values written so far.
    size_t WriteCount() const { return m_writes; }

  private:
    std::map<std::pair<std::string, std::string>, Text> m_values;
    size_t m_writes = 0;
};

// Settings in the user's INI file: $VARLO_CONFIG, else $XDG_CONFIG_HOME/Morva/Varlo.ini (default
// ~/.config/Morva/Varlo.ini). Each write is flushed at once; the file and its folder are created
// on the first write only.
class FileSettings : public ISettings {
  public:
    explicit FileSettings(std::string path = DefaultPath());
    ~FileSettings() override;
    int GetInt(const std::string& section, const std::string& name, int def) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    Text GetString(const std::string& section, const std::string& name, const Text& def) override;
    void WriteString(const std::string& section, const std::string& name,
                     const Text& value) override;
    const std::string& Path() const { return m_path; }
    // The path the program uses.
    static std::string DefaultPath();

  private:
    void Flush();
    std::string m_path;
    std::unique_ptr<wxFileConfig> m_config;
};

// The settings of the running program (set by the application at start-up).
ISettings& Settings();
void SetSettings(ISettings* settings);

}  // namespace varlo
