#include "xml/parse_observer.h"

#include "platform/allocator.h"
#include "xml/end_tag_search.h"
#include "xml/node_text.h"
#include "xml/text_buffer.h"

namespace varlo {
namespace {

// Elements parse themselves with no context object, so the observer of the thread stands in.
thread_local ParseObserver* t_observer = nullptr;

// Clears the thread's observer while it is being called, so that it never sees its own parses.
class Muted {
  public:
    Muted() : m_observer(t_observer) { t_observer = nullptr; }
    ~Muted() { t_observer = m_observer; }
    Muted(const Muted&) = delete;
    Muted& operator=(const Muted&) = delete;
    ParseObserver* Observer() const { return m_observer; }

  private:
    ParseObserver* m_observer;
};

}  // namespace

ParseObserverScope::ParseObserverScope(ParseObserver& observer) : m_outer(t_observer) {
    t_observer = &observer;
}

ParseObserverScope::~ParseObserverScope() {
    t_observer = m_outer;
}

void NotifyElementStarted(const CMXMLElement& element) {
    if (t_observer == nullptr) return;
    const Muted muted;
    muted.Observer()->Started(element);
}

bool NotifyElementCompleted(CMXMLElement& element, std::string_view markup) {
    if (t_observer == nullptr) return false;
    const Muted muted;
    return muted.Observer()->Completed(element, markup);
}

const char* ForgetParsedText(std::string_view text) {
    if (text.empty() || !KeptTextScope::Covers(text)) return text.data();
    // A text small enough to serve the next reading stays whole.
    if (KeptTextScope::KeptSize() <= kKeptTextBufferBytes) return text.data();
    if (EndTagSearch* search = EndTagSearch::Current(text)) {
        const size_t end =
            static_cast<size_t>(text.data() - search->Document().data()) + text.size();
        if (!search->Forget(end)) return text.data();
    }
    return ReleasePagesWithin(text.data(), text.size());
}

}  // namespace varlo
