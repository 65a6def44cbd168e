#pragma once
// Whether a parse dropped something at one of the parser's caps (attributes kept on one tag,
// nesting depth, the size of the tree), so that the caller can tell the user.

#include <cstddef>

namespace varlo {

// Records that the parse running on this thread reached a cap.
void NoteParseLimitReached();

// Takes `bytes` from the memory budget of the innermost watch of this thread (a parse without a
// watch, or whose watch has no budget, is not limited). False once the budget is spent: the
// parse then builds no more nodes, and the cap is noted.
bool ChargeParseMemory(size_t bytes);

// Watches the parses on this thread while it lives (watches nest: the innermost one is told).
class ParseLimitWatch {
  public:
    ParseLimitWatch();
    ~ParseLimitWatch();
    ParseLimitWatch(const ParseLimitWatch&) = delete;
    ParseLimitWatch& operator=(const ParseLimitWatch&) = delete;

    // True when a cap was reached since this watch began.
    bool Reached() const { return m_reached; }
    // Lets the parses watched build nodes of about `bytes` bytes in all.
    void SetMemoryBudget(size_t bytes) {
        m_budget = bytes;
        m_limited = true;
    }

  private:
    friend void NoteParseLimitReached();
    friend bool ChargeParseMemory(size_t bytes);
    bool m_reached = false;
    bool m_limited = false;
    size_t m_budget = 0;
    ParseLimitWatch* m_outer;
};

}  // namespace varlo
