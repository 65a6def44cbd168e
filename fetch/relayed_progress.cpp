#include "fetch/relayed_progress.h"

namespace varlo {

CRelayedProgress::Fields CRelayedProgress::Take() const {
    std::lock_guard lock(m_mutex);
    return m_fields;
}

void CRelayedProgress::Publish(bool windowOpen) {
    std::lock_guard lock(m_mutex);
    m_fields.windowOpen = windowOpen;
    m_fields.message = MessageText();
    m_fields.file = FileText();
    m_fields.counter = CounterText();
    m_fields.total = Total();
    m_fields.rangeMax = RangeMax();
    m_fields.position = Position();
}

}  // namespace varlo
