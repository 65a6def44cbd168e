#include "fetch/relayed_progress.h"

namespace varlo {

CRelayedProgress::Fields CRelayedProgress::Take() {
    std::lock_guard lock(m_mutex);
    m_noticeWaiting = false;
    return m_fields;
}

void CRelayedProgress::Publish(bool windowOpen) {
    bool notify = false;
    {
        std::lock_guard lock(m_mutex);
        Store(windowOpen);
        notify = m_changed && !m_noticeWaiting;
        m_noticeWaiting = m_noticeWaiting || notify;
    }
    if (notify) m_changed();
}

void CRelayedProgress::Store(bool windowOpen) {
    m_fields.windowOpen = windowOpen;
    m_fields.message = MessageText();
    m_fields.file = FileText();
    m_fields.counter = CounterText();
    m_fields.total = Total();
    m_fields.rangeMax = RangeMax();
    m_fields.position = Position();
}

}  // namespace varlo
