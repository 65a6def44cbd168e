#pragma once
// The whole articles of what an update or a sync brought, for the sites that fetch every new
// article's whole text: fetched on a thread of their own, kept through the store's writer, and
// then what comes after the update runs.

#include <wx/tracker.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace varlo {

class CWholeArticles;

class CWholeArticlesAfter : public wxTrackable {
  public:
    CWholeArticlesAfter() = default;
    ~CWholeArticlesAfter();
    CWholeArticlesAfter(const CWholeArticlesAfter&) = delete;
    CWholeArticlesAfter& operator=(const CWholeArticlesAfter&) = delete;

    // Fetches the whole articles wanted for the articles stored after `mark`; `then` runs on the
    // window's thread once they are kept, or at once when none is wanted. Returns whether a
    // fetch started.
    bool Start(int64_t mark, std::function<void()> then);
    // Ends the fetches soon; what was found so far is kept and `then` still runs.
    void Cancel();
    bool IsRunning() const { return m_fetch != nullptr; }

  private:
    std::shared_ptr<CWholeArticles> m_fetch;
};

}  // namespace varlo
