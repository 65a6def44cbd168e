#pragma once
// The progress of a download that runs on a worker, shown by the window's thread: the download
// writes its fields here as it would into its window and says that they changed; the window's
// thread then takes a copy to show it in a window of its own, and may ask the download to stop.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>

#include "fetch/download_progress.h"

namespace varlo {

class CRelayedProgress : public CDownloadProgress {
  public:
    // What the download would show, as of the last change.
    struct Fields {
        bool windowOpen = false;  // the download wants its window shown
        Text message;
        Text file;
        Text counter;
        int64_t total = -1;
        int64_t rangeMax = 0;
        int64_t position = 0;
    };
    // `changed` is called (on the download's thread) when the fields change, once until the next
    // Take: however fast the bytes come, one notice at a time waits for the window. Set it before
    // the download starts.
    void OnChange(std::function<void()> changed) { m_changed = std::move(changed); }
    // A copy of the fields; any thread.
    Fields Take();
    // Asks the download to stop, as a confirmed cancel would; any thread.
    void CancelFromAfar() { m_cancelledFromAfar = true; }

    bool IsCancelled() const override {
        return CDownloadProgress::IsCancelled() || m_cancelledFromAfar;
    }
    bool CancelsFromAfar() const override { return true; }

  protected:
    void OpenWindow() override { Publish(true); }
    void CloseWindow() override { Publish(false); }
    void ShowFields() override { Publish(true); }

  private:
    void Publish(bool windowOpen);
    // Copies the fields; with the mutex held.
    void Store(bool windowOpen);

    mutable std::mutex m_mutex;
    Fields m_fields;
    std::function<void()> m_changed;
    bool m_noticeWaiting = false;
    std::atomic<bool> m_cancelledFromAfar{false};
};

}  // namespace varlo
