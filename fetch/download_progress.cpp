#include "fetch/download_progress.h"

#include <cinttypes>
#include <cstdio>
#include <utility>

#include "encoding/codepage.h"
#include "platform/message_box.h"

namespace varlo {
namespace {

// Per thread: the window's thread makes windows, a worker gets window-less progress.
DownloadProgressFactory& Factory() {
    thread_local DownloadProgressFactory factory;
    return factory;
}

}  // namespace

void CDownloadProgress::Create(const Text& message, const Text& fileText) {
    m_message = message;
    m_file = fileText;
    m_rangeMax = 0;
    m_windowOpen = true;
    OpenWindow();
    ShowFields();
}

void CDownloadProgress::Destroy() {
    if (!m_windowOpen) return;
    m_windowOpen = false;
    CloseWindow();
}

void CDownloadProgress::SetTotal(int64_t total) {
    m_total = total;
    m_rangeMax = total;
    if (m_windowOpen) ShowFields();
}

void CDownloadProgress::SetReceived(int64_t received) {
    m_position = received;
    m_counter = FormatCounter(received, m_total);
    if (m_windowOpen) ShowFields();
}

void CDownloadProgress::OnCancelButton() {
    if (ShowMessageBox(Jp("中止しますか？"), kMbOkCancel | kMbIconQuestion) != kIdOk) return;
    m_cancelled = true;
    Destroy();
    if (m_onUserChoice) m_onUserChoice();
}

void CDownloadProgress::Cancel() {
    m_cancelled = true;
    Destroy();
}

void CDownloadProgress::OnCloseBox() {
    Destroy();
    if (m_onUserChoice) m_onUserChoice();
}

Text CDownloadProgress::FormatCounter(int64_t received, int64_t total) {
    char digits[64];
    if (total != -1) {
        std::snprintf(digits, sizeof digits, "%" PRId64 "/%" PRId64, received, total);
    } else {
        std::snprintf(digits, sizeof digits, "%" PRId64, received);
    }
    static const Text bytes = Jp("バイト");
    return digits + bytes;
}

DownloadProgressFactory SetDownloadProgressFactory(DownloadProgressFactory factory) {
    return std::exchange(Factory(), std::move(factory));
}

std::unique_ptr<CDownloadProgress> MakeDownloadProgress() {
    if (const auto& factory = Factory()) {
        if (auto progress = factory()) return progress;
    }
    return std::make_unique<CDownloadProgress>();
}

}  // namespace varlo
