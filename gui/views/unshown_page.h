#pragma once
// A preview page written beside its place on a worker and not shown yet. It is removed unless it
// was moved into place: a reading the window no longer wants (another site chosen, the window
// closed) leaves no page behind.

#include <cstdio>
#include <string>
#include <utility>

#include <unistd.h>

namespace varlo {

class CUnshownPage {
  public:
    CUnshownPage() = default;
    explicit CUnshownPage(std::string path) : m_path(std::move(path)) {}
    CUnshownPage(CUnshownPage&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}
    CUnshownPage& operator=(CUnshownPage&& other) noexcept {
        if (this != &other) {
            Remove();
            m_path = std::exchange(other.m_path, {});
        }
        return *this;
    }
    CUnshownPage(const CUnshownPage&) = delete;
    CUnshownPage& operator=(const CUnshownPage&) = delete;
    ~CUnshownPage() { Remove(); }

    const std::string& Path() const { return m_path; }
    // Moves the page to `place`; true when it is there, and then nothing is left to remove.
    bool MoveTo(const std::string& place) {
        if (m_path.empty() || std::rename(m_path.c_str(), place.c_str()) != 0) return false;
        m_path.clear();
        return true;
    }

  private:
    void Remove() {
        if (!m_path.empty()) unlink(m_path.c_str());
        m_path.clear();
    }

    std::string m_path;
};

}  // namespace varlo
