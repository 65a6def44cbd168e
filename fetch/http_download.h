#pragma once
// One download of an http or https address into a local file, driven from the calling thread.
// Between reads of 1023 bytes it pumps exactly one pending event, so the windows stay alive.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fetch/site_request.h"
#include "platform/text.h"

namespace varlo {

class CDownloadProgress;

// Process-wide limits of every download; a stalled or hostile server ends as a network error.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{30000};
    // No byte received for this long (time spent inside the message pump does not count).
    std::chrono::milliseconds stallTimeout{60000};
    // A body larger than this ends the download; the partial file is removed.
    uint64_t maxBytes = uint64_t{256} << 20;
    // Fewer than minSpeed bytes a second, measured over minSpeedTime, end a server that trickles.
    uint64_t minSpeed = 64;
    std::chrono::milliseconds minSpeedTime{60000};
    // The longest a whole transfer may take.
    std::chrono::milliseconds totalTimeout{600000};
    // Time spent in the message pump (Varlo's own dialogs, other commands) counts for none of
    // these: it is not the server's.
};

class CHttpDownload {
  public:
    // Stores the address (system text); nothing else happens until Download.
    explicit CHttpDownload(const Text& address) : m_address(address) {}

    // Fetches the address into folder + "/" + name; returns that path, or "" on every failure and
    // on cancel. `fileName` null: the name comes from the address and is made unique; otherwise
    // an existing file of that name is overwritten. `progress` shows the progress window.
    std::string Download(const std::string& folder, bool progress, const char* fileName);

    // The Content-Length of the response; 0 when the server announced none.
    uint32_t AnnouncedLength() const { return m_announced; }
    // Bytes received by the last Download.
    uint32_t Received() const { return m_received; }
    // Whether the user cancelled the last Download (its empty result is then no failure).
    bool Cancelled() const { return m_cancelled; }

    // Keeps why a download failed for Failure() instead of showing it, for a caller that says it
    // in a message of its own (and records it); by default every failure is shown.
    void KeepFailureUnshown() { m_showFailure = false; }
    // Why the last Download failed, in the words it shows (for a refused answer, the status:
    // "サーバーがエラー 500 を返しました"); empty after a success or a cancel.
    const Text& Failure() const { return m_failure; }
    // The HTTP status of the last Download's final response; 0 when none came.
    long Status() const { return m_status; }
    // When the server refused with a status of 300 or more: the header lines of that answer (as
    // sent, without their line ends) and the first bytes of its body, enough to tell a web page
    // from a feed. Empty otherwise.
    const std::vector<std::string>& RefusalHeaders() const { return m_refusalHeaders; }
    const std::string& RefusalBodyHead() const { return m_refusalBodyHead; }

    // Opens the progress window after this much transfer time even when Download was asked for
    // none, so that a slow download can be cancelled with its button; zero (the default): never.
    void ShowProgressAfter(std::chrono::milliseconds delay) { m_progressAfter = delay; }

    // Shows progress through `progress` (not owned; it must outlive Download) instead of an object
    // of the installed factory: for a download on a worker that the window's thread shows.
    void SetProgress(CDownloadProgress* progress) { m_progress = progress; }

    // Caps this download's decoded body below the process-wide limit (feeds); past it the download
    // fails with `message`.
    void SetSizeCap(uint64_t maxBytes, Text message) {
        m_sizeCap = maxBytes;
        m_sizeCapMessage = std::move(message);
    }

    // Makes the request conditional (feed downloads): sends the validators that are not empty and
    // takes a "not modified" answer as a download of `cachedBody`, the file they stand for, which
    // is then written to the target as if the server had sent it.
    void SetConditional(const Text& etag, const Text& lastModified, const std::string& cachedBody);
    // What this download sends for its site: User-Agent, credentials, going around the proxy.
    void SetSiteRequest(SiteRequest site) { m_site = std::move(site); }
    // Whether the last Download failed because it was led to an address its site request
    // refuses (SiteRequest::publicOnly).
    bool RefusedAddress() const { return m_site.refusedAddress; }
    const SiteRequest& Site() const { return m_site; }

    // Whether the last Download was answered "not modified" (the target holds the cached body).
    bool NotModified() const { return m_notModified; }
    // The validators of the last Download's final response; empty when it sent none.
    const Text& ResponseETag() const { return m_responseETag; }
    const Text& ResponseLastModified() const { return m_responseLastModified; }

    // Cancels the innermost download running now, without asking; false when none runs.
    static bool CancelRunning();
    // Whether a download is running (it may be cancelled with CancelRunning).
    static bool IsRunning();

    // The limits every download uses from now on; returns the previous ones.
    static DownloadLimits SetLimits(const DownloadLimits& limits);
    static DownloadLimits Limits();

  private:
    // One call of Download: its transfer, the file it writes, and the steps between.
    class Run;
    // Keeps `message` as the failure and shows it unless told not to.
    void Fail(const Text& message, unsigned style);

    Text m_address;
    uint32_t m_announced = 0;
    uint32_t m_received = 0;
    bool m_cancelled = false;
    bool m_showFailure = true;
    Text m_failure;
    long m_status = 0;
    std::vector<std::string> m_refusalHeaders;
    std::string m_refusalBodyHead;
    std::chrono::milliseconds m_progressAfter{0};
    CDownloadProgress* m_progress = nullptr;
    uint64_t m_sizeCap = 0;
    Text m_sizeCapMessage;
    Text m_etag;
    Text m_lastModified;
    std::string m_cachedBody;
    bool m_notModified = false;
    Text m_responseETag;
    Text m_responseLastModified;
    SiteRequest m_site;
};

// The message for an address that is neither http nor https: the address followed by the reason.
Text NotWebAddressText(const Text& address);

// An address as a message shows it: whole up to 200 bytes, else cut there (never inside a
// character) and ended with "…".
Text ShownAddress(std::string_view address);

// `path` itself if nothing of that name exists, else the first free "base(n).ext" (n = 1, 2, ...)
// in the same folder.
std::string MakeUniqueFileName(const std::string& path);

}  // namespace varlo
