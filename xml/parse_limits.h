#pragma once
// Whether a parse dropped something at one of the parser's caps (attributes kept on one tag,
// nesting depth, the size of the tree), so that the caller can tell the user.

namespace varlo {

// Records that the parse running on this thread reached a cap.
void NoteParseLimitReached();

// Watches the parses on this thread while it lives (watches nest: the innermost one is told).
class ParseLimitWatch {
  public:
    ParseLimitWatch();
    ~ParseLimitWatch();
    ParseLimitWatch(const ParseLimitWatch&) = delete;
    ParseLimitWatch& operator=(const ParseLimitWatch&) = delete;

    // True when a cap was reached since this watch began.
    bool Reached() const { return m_reached; }

  private:
    friend void NoteParseLimitReached();
    bool m_reached = false;
    ParseLimitWatch* m_outer;
};

}  // namespace varlo
