#pragma once
// One download of an http or https address into a local file, driven from the calling thread.
// Between reads of 1023 bytes it pumps exactly one pending event, so the windows stay alive.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/text.h"

namespace varlo {

// Process-wide limits of every download; a stalled or hostile server ends as a network error.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{30000};
    // No byte received for this long (time spent inside the message pump does not count).
    std::chrono::milliseconds stallTimeout{60000};
    // A body larger than this ends the download; the partial file is removed.
    uint64_t maxBytes = uint64_t{256} << 20;
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

    // The limits every download uses from now on; returns the previous ones.
    static DownloadLimits SetLimits(const DownloadLimits& limits);
    static DownloadLimits Limits();

  private:
    Text m_address;
    uint32_t m_announced = 0;
    uint32_t m_received = 0;
};

// `path` itself if nothing of that name exists, else the first free "base(n).ext" (n = 1, 2, ...)
// in the same folder.
std::string MakeUniqueFileName(const std::string& path);

}  // namespace varlo
