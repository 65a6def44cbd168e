#include "xml/node_text.h"

#include <cstring>
#include <new>

namespace varlo {
namespace {

thread_local KeptTextScope* t_innermost = nullptr;
thread_local std::string_view t_kept;

}  // namespace

NodeText& NodeText::operator=(NodeText&& other) noexcept {
    if (this != &other) {
        Release();
        m_data = other.m_data;
        m_bits = other.m_bits;
        other.m_data = nullptr;
        other.m_bits = 0;
    }
    return *this;
}

void NodeText::Assign(std::string_view text) {
    if (text.empty()) {
        Release();
        m_data = nullptr;
        m_bits = 0;
        return;
    }
    if (KeptTextScope::Covers(text)) {
        Release();
        m_data = text.data();
        m_bits = text.size();
        return;
    }
    // Copied before the old bytes go: `text` may be a part of them.
    char* copy = new char[text.size()];
    std::memcpy(copy, text.data(), text.size());
    Release();
    m_data = copy;
    m_bits = text.size() | kOwned;
}

void NodeText::Release() noexcept {
    if (m_bits & kOwned) delete[] m_data;
}

size_t NodeText::HeapBytes() const {
    if (!(m_bits & kOwned)) return 0;
    // The allocator's header and its rounding to 16 bytes.
    return ((Size() + 8 + 15) & ~size_t{15});
}

KeptTextScope::KeptTextScope(std::string_view kept) : m_kept(kept), m_outer(t_innermost) {
    t_innermost = this;
    t_kept = kept;
}

KeptTextScope::~KeptTextScope() {
    t_innermost = m_outer;
    t_kept = m_outer ? m_outer->m_kept : std::string_view();
}

size_t KeptTextScope::KeptSize() {
    return t_kept.size();
}

bool KeptTextScope::Covers(std::string_view text) {
    if (t_kept.data() == nullptr) return false;
    const auto begin = reinterpret_cast<std::uintptr_t>(t_kept.data());
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    return at >= begin && at + text.size() <= begin + t_kept.size();
}

}  // namespace varlo
