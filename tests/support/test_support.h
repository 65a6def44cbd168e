#pragma once
// Helpers shared by the tests: temporary folders, captured message boxes, files, time zones.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace varlo::test {

// Sets or clears an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_previous = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_previous) {
            setenv(m_name, m_previous->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

// A fresh folder under the system's temporary folder, removed with its content on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    // Full path of a file in the folder, as a string.
    std::string File(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

// Records every message box while alive and answers with `answer` (OK by default).
class MessageCapture {
  public:
    explicit MessageCapture(int answer = kIdOk);
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;
    // Texts shown so far, converted to UTF-8.
    const std::vector<std::string>& Messages() const { return m_messages; }
    // Styles of the boxes shown so far.
    const std::vector<unsigned>& Styles() const { return m_styles; }
    void SetAnswer(int answer) { m_answer = answer; }

  private:
    std::vector<std::string> m_messages;
    std::vector<unsigned> m_styles;
    int m_answer;
    MessageBoxHandler m_previous;
};

// Writes bytes to a file (replacing it).
void WriteFile(const std::string& path, std::string_view bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// The permission bits of the file or folder at `path` itself (a link is not followed); 07777 when
// there is none.
unsigned ModeOf(const std::string& path);
// A UTF-8 literal as system text (code page 932).
std::string Sjis(std::string_view utf8);

// A port of 127.0.0.1 that was free a moment ago and has no listener now: a connection to it is
// refused.
int ClosedLoopbackPort();
// Path of a fixture under tests/data.
std::string DataPath(const std::string& name);
// Path of a file of the shared corpus; empty when the corpus is absent.
std::string CorpusPath(const std::string& relative);

// Sets TZ for the lifetime of the object and restores the previous value afterwards.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    std::string m_previous;
    bool m_hadPrevious;
};

// How far the resident memory of a child process running `body` rose above what the child held
// when it started (its getrusage peak against its resident set then); INT64_MAX when the child
// did not end normally. `body` runs in the child only and must return.
int64_t PeakGrowthInChild(const std::function<void()>& body);

// The same, finer: the peak resident memory of `work` in a child process above what the child
// held just before it, read from the kernel's own high-water mark reset at that moment (large
// blocks kept out of the heap, this process's freed memory given back first).
size_t ResidentPeakOfInChild(const std::function<void()>& work);

}  // namespace varlo::test
