#pragma once
// Memory for a password while it is in use: pages of their own, left out of core dumps
// (MADV_DONTDUMP) and overwritten before they are given back, so that a crash report or a
// swapped-out heap does not carry the password after its sync.

#include <cstddef>
#include <string>
#include <string_view>

namespace varlo {

class CSecretBuffer {
  public:
    CSecretBuffer() = default;
    explicit CSecretBuffer(std::string_view text) { Append(text); }
    ~CSecretBuffer();
    CSecretBuffer(const CSecretBuffer&) = delete;
    CSecretBuffer& operator=(const CSecretBuffer&) = delete;
    CSecretBuffer(CSecretBuffer&& other) noexcept;
    CSecretBuffer& operator=(CSecretBuffer&& other) noexcept;

    // Appends `text`; false (the buffer unchanged) when no memory could be had.
    bool Append(std::string_view text);
    bool Append(char c) { return Append(std::string_view(&c, 1)); }
    // Overwrites the text and empties the buffer (the pages stay for reuse).
    void Clear();
    std::string_view View() const { return {m_data, m_size}; }
    bool Empty() const { return m_size == 0; }
    size_t Size() const { return m_size; }

  private:
    void Release();

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;  // bytes mapped
};

// Overwrites the characters of `text` in a way the compiler keeps, then empties it: for copies of
// a password the buffer above cannot hold (a dialog's value, the keyring's answer).
void WipeString(std::string& text);

}  // namespace varlo
