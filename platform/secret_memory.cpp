#include "platform/secret_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "platform/allocator.h"

namespace varlo {
namespace {

void Overwrite(void* data, size_t size) {
    if (data && size) explicit_bzero(data, size);
}

}  // namespace

CSecretBuffer::~CSecretBuffer() {
    Release();
}

CSecretBuffer::CSecretBuffer(CSecretBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

CSecretBuffer& CSecretBuffer::operator=(CSecretBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

bool CSecretBuffer::Append(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > m_capacity - m_size || !m_data) {
        const size_t need = m_size + text.size();
        const size_t capacity = (need + SystemPageSize() - 1) / SystemPageSize() * SystemPageSize();
        void* pages =
            mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) return false;
        // Kept out of core dumps where the kernel knows the advice; the buffer works without it.
        madvise(pages, capacity, MADV_DONTDUMP);
        char* data = static_cast<char*>(pages);
        if (m_size) std::memcpy(data, m_data, m_size);
        const size_t size = m_size;
        Release();
        m_data = data;
        m_size = size;
        m_capacity = capacity;
    }
    std::memcpy(m_data + m_size, text.data(), text.size());
    m_size += text.size();
    return true;
}

void CSecretBuffer::Clear() {
    Overwrite(m_data, m_size);
    m_size = 0;
}

void CSecretBuffer::Release() {
    if (!m_data) return;
    Overwrite(m_data, m_capacity);
    munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

void WipeString(std::string& text) {
    Overwrite(text.data(), text.size());
    text.clear();
}

}  // namespace varlo
