#pragma once
// The progress of a download that runs on a worker, shown by the window's thread: the download
// writes its fields here as it would into its window, the window's thread takes a copy now and
// then to show it in a window of its own, and may ask the download to stop.

#include <atomic>
#include <cstdint>
#include <mutex>

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
    // A copy of the fields; any thread.
    Fields Take() const;
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

    mutable std::mutex m_mutex;
    Fields m_fields;
    std::atomic<bool> m_cancelledFromAfar{false};
};

}  // namespace varlo
