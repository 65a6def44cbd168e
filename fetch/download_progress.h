#pragma once
// The progress window of a download as the download sees it. The core keeps the window's fields
// (total, cancelled flag, the three texts, the bar's range and position) and computes the
// counter text; the GUI's CHttpDownloadDlg derives from this class and only shows the fields in
// a window through the protected hooks. Without a GUI the object simply has no window.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "platform/text.h"

namespace varlo {

class CDownloadProgress {
  public:
    CDownloadProgress() = default;
    virtual ~CDownloadProgress() = default;
    CDownloadProgress(const CDownloadProgress&) = delete;
    CDownloadProgress& operator=(const CDownloadProgress&) = delete;

    // Sets the message and file texts (code page 932), opens the window and resets the bar to 0..0.
    void Create(const Text& message, const Text& fileText);
    // Closes the window if it is open; later updates change only the fields.
    void Destroy();
    // Whether the window is open (between Create and Destroy, the cancel or the close box).
    bool IsWindowOpen() const { return m_windowOpen; }

    // The announced length: the bar's range becomes 0..total.
    void SetTotal(int64_t total);
    // Bytes received so far: the bar's position and the counter text.
    void SetReceived(int64_t received);

    // The cancel button: asks "中止しますか？"; on OK sets the cancelled flag and closes the
    // window.
    void OnCancelButton();
    // Cancels without asking (Esc, the stop command) and closes the window if it is open.
    void Cancel();
    // The close box: closes the window without cancelling; the download goes on without it.
    void OnCloseBox();
    // `then` runs (on the window's thread) after the user cancelled or closed the window, so that
    // whoever relays the download's progress learns of it when it happens.
    void OnUserChoice(std::function<void()> then) { m_onUserChoice = std::move(then); }
    // True once the user confirmed the cancel question.
    virtual bool IsCancelled() const { return m_cancelled; }
    // Whether a cancel may come from another thread than the download's (the download then
    // looks for it while it waits for the network).
    virtual bool CancelsFromAfar() const { return false; }

    // -1 until SetTotal is called.
    int64_t Total() const { return m_total; }
    int64_t RangeMax() const { return m_rangeMax; }
    int64_t Position() const { return m_position; }
    const Text& MessageText() const { return m_message; }
    const Text& CounterText() const { return m_counter; }
    const Text& FileText() const { return m_file; }

    // "%d/%dバイト" with received and total, or "%dバイト" when total is -1 (code page 932).
    static Text FormatCounter(int64_t received, int64_t total);

  protected:
    // Window hooks for the GUI. OpenWindow shows the fields; CloseWindow destroys the window;
    // ShowFields copies range, position and texts to the controls. Called only while it is open.
    virtual void OpenWindow() {}
    virtual void CloseWindow() {}
    virtual void ShowFields() {}

  private:
    int64_t m_total = -1;
    int64_t m_rangeMax = 0;
    int64_t m_position = 0;
    bool m_cancelled = false;
    bool m_windowOpen = false;
    Text m_message;
    Text m_counter;
    Text m_file;
    std::function<void()> m_onUserChoice;
};

// Makes the progress object of one download (the GUI supplies one with a window).
using DownloadProgressFactory = std::function<std::unique_ptr<CDownloadProgress>()>;

// Installs a factory and returns the previous one; an empty factory restores the window-less one.
DownloadProgressFactory SetDownloadProgressFactory(DownloadProgressFactory factory);

// A progress object from the installed factory.
std::unique_ptr<CDownloadProgress> MakeDownloadProgress();

}  // namespace varlo
