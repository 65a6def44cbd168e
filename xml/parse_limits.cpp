#include "xml/parse_limits.h"

namespace varlo {
namespace {

// The parser has no context object of its own (elements parse themselves), so the watch of the
// current thread stands in for one.
thread_local ParseLimitWatch* t_watch = nullptr;

}  // namespace

ParseLimitWatch::ParseLimitWatch() : m_outer(t_watch) {
    t_watch = this;
}

ParseLimitWatch::~ParseLimitWatch() {
    t_watch = m_outer;
    if (m_reached && m_outer) m_outer->m_reached = true;
}

void NoteParseLimitReached() {
    if (t_watch) t_watch->m_reached = true;
}

bool ChargeParseMemory(size_t bytes) {
    ParseLimitWatch* watch = t_watch;
    if (watch == nullptr || !watch->m_limited) return true;
    if (watch->m_budget < bytes) {
        watch->m_budget = 0;
        watch->m_reached = true;
        return false;
    }
    watch->m_budget -= bytes;
    return true;
}

}  // namespace varlo
