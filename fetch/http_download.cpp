#include "fetch/http_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "encoding/address_text.h"
#include "encoding/codepage.h"
#include "fetch/curl_url.h"
#include "fetch/download_progress.h"
#include "fetch/proxy.h"
#include "fetch/request.h"
#include "fetch/transfer_messages.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"

namespace varlo {
namespace {

using Clock = std::chrono::steady_clock;

// Each read hands this many bytes to the file, followed by exactly one pumped event.
constexpr size_t kChunkSize = 1023;
// What is kept of a refused answer's body: enough to tell a web page from a feed.
constexpr size_t kRefusalBodyHead = 1024;

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The local file. The body goes to a new temporary file beside the target, created exclusively
// and readable by this user only (mkostemp makes it 0600, whatever the umask), and replaces the
// target in one rename only when the download succeeded: a link planted under the target's name is
// replaced, never followed, and a failed download leaves the previous file as it was. Chunks go
// through a buffer of this size: one system call per 1023-byte chunk would cost most of the
// throughput.
constexpr size_t kWriteBuffer = 64 * 1024;

class LocalFile {
  public:
    ~LocalFile() { Discard(); }
    bool Create(const std::string& path) {
        // An empty folder would put the file at the root of the file system.
        if (path.rfind('/') == 0) return false;
        m_temporary = path + ".XXXXXX";
        m_fd = mkostemp(m_temporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_temporary.clear();
            return false;
        }
        m_buffer.reserve(kWriteBuffer);
        return true;
    }
    bool Write(std::string_view bytes) {
        m_buffer.append(bytes);
        return m_buffer.size() < kWriteBuffer || Flush();
    }
    // Writes what is buffered and puts the file in place of `path`: replacing whatever has that
    // name, or, with `keepExisting`, only while nothing has it. True when all of it is there.
    bool Commit(const std::string& path, bool keepExisting) {
        if (m_temporary.empty()) return false;
        bool ok = Close();
        if (ok && keepExisting) {
            // Never over a file that appeared meanwhile. File systems without that kind of rename
            // get a second link and the old name removed, which refuses an existing name as well.
            ok = renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, path.c_str(),
                           RENAME_NOREPLACE) == 0;
            if (!ok && errno == EINVAL) {
                ok = link(m_temporary.c_str(), path.c_str()) == 0;
                if (ok) unlink(m_temporary.c_str());
            }
        } else if (ok) {
            ok = rename(m_temporary.c_str(), path.c_str()) == 0;
        }
        if (!ok) unlink(m_temporary.c_str());
        m_temporary.clear();
        return ok;
    }
    // Drops the temporary file; the target is untouched.
    void Discard() {
        Close();
        if (!m_temporary.empty()) unlink(m_temporary.c_str());
        m_temporary.clear();
    }

  private:
    bool Flush() {
        std::string_view rest = m_buffer;
        while (!rest.empty()) {
            ssize_t n = write(m_fd, rest.data(), rest.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            rest.remove_prefix(static_cast<size_t>(n));
        }
        m_buffer.clear();
        return true;
    }
    // Writes what is buffered (as far as it goes) and closes; true when everything was written.
    bool Close() {
        if (m_fd < 0) return true;
        bool ok = Flush();
        ok = close(m_fd) == 0 && ok;
        m_fd = -1;
        m_buffer.clear();
        return ok;
    }

    int m_fd = -1;
    std::string m_temporary;
    std::string m_buffer;
};

// Appends the whole file at `source` to `file`.
bool CopyFileInto(const std::string& source, LocalFile& file) {
    const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[16 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (!file.Write(std::string_view(buffer, static_cast<size_t>(n)))) {
            ok = false;
            break;
        }
    }
    close(fd);
    return ok;
}

// A failure of the network layer (or of the limits); caught by Download and shown to the user.
struct NetworkError {
    Text description;
};

// The local file could not be created or written.
struct FileError {
    Text message;
};

DownloadLimits& CurrentLimits() {
    static DownloadLimits limits;
    return limits;
}

Text CannotWriteText(const std::string& path) {
    return Jp("ファイル ") + Utf8ToCp932(path) + Jp(" に書き込めませんでした");
}

// The address as libcurl should fetch it: surrounding white space dropped, unsafe characters
// percent-encoded, and its scheme. Empty when it cannot be split into scheme, host and path.
std::string SplitAddress(std::string_view address, std::string* scheme) {
    address = Trim(address, " \t\r\n");
    CurlUrl url(curl_url());
    if (!url) return {};
    std::string text(address);
    if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(),
                     CURLU_URLENCODE | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return {};
    }
    *scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    if (scheme->empty()) return {};
    // Other schemes are refused by the caller; only web addresses need a host.
    if (*scheme != "http" && *scheme != "https") return text;
    if (UrlPart(url.get(), CURLUPART_HOST).empty()) return {};
    return UrlPart(url.get(), CURLUPART_URL);
}

// Bytes libcurl hands over, kept until the download loop cuts them into chunks. The transfer is
// paused while a whole chunk is waiting, so at most one chunk plus one network read is held.
struct Transfer {
    std::string pending;
    bool paused = false;
    uint64_t bytes = 0;  // everything the server sent, head included: what the speed counts
    Clock::time_point lastByte;
    Text etag;  // validators of the last response of a redirection chain
    Text lastModified;
    bool inHead = false;  // a response head is being received
    // The header lines of the last response, kept for a refusal's reasons (a wait asked for, a
    // wall against bots); a head of more lines than this says nothing more of them.
    std::vector<std::string> headLines;
};

constexpr size_t kKeptHeadLines = 100;

// Takes the value of the validator header line when it is `name`; a value unfit to be kept
// (IsUsableValidator) is taken as none, and the transfer goes on.
bool TakeValidator(std::string_view line, std::string_view name, Text& value) {
    if (line.size() <= name.size() || line[name.size()] != ':' ||
        strncasecmp(line.data(), name.data(), name.size()) != 0) {
        return false;
    }
    const std::string_view taken = Trim(line.substr(name.size() + 1), " \t\r\n");
    value = IsUsableValidator(taken) ? Text(taken) : Text();
    return true;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->pending.size() >= kChunkSize) {
        transfer->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    transfer->pending.append(data, size * count);
    transfer->bytes += size * count;
    transfer->lastByte = Clock::now();
    return size * count;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    // Each response of a redirection chain starts afresh: only the last one's validators count.
    if (line.substr(0, 5) == "HTTP/") {
        transfer->etag.clear();
        transfer->lastModified.clear();
        transfer->inHead = true;
        transfer->headLines.clear();
    } else if (line == "\r\n" || line == "\n") {
        transfer->inHead = false;
    } else if (transfer->headLines.size() < kKeptHeadLines) {
        transfer->headLines.emplace_back(Trim(line, "\r\n"));
    }
    TakeValidator(line, "ETag", transfer->etag) ||
        TakeValidator(line, "Last-Modified", transfer->lastModified);
    transfer->bytes += size * count;
    transfer->lastByte = Clock::now();
    return size * count;
}

// The time limits of one transfer, on the transfer's own clock: time spent in the message pump
// is taken out by moving every mark forward by it.
class TransferClock {
  public:
    TransferClock(const DownloadLimits& limits, Transfer& transfer)
        : m_limits(limits), m_transfer(transfer) {
        m_start = m_transfer.lastByte = Clock::now();
        m_samples.push_back({m_start, 0});
    }
    // Runs a pump and leaves its time out of every limit.
    template <typename PumpFunction>
    void Pump(PumpFunction pump) {
        const auto before = Clock::now();
        pump();
        const auto spent = Clock::now() - before;
        m_start += spent;
        m_transfer.lastByte += spent;
        for (auto& sample : m_samples) sample.time += spent;
    }
    // Transfer time so far.
    Clock::duration Elapsed() const { return Clock::now() - m_start; }
    // True when a limit was passed: no byte for the stall time, too slow over the last speed
    // window, or too long in all.
    bool Exceeded() {
        const auto now = Clock::now();
        if (now - m_transfer.lastByte >= m_limits.stallTimeout) return true;
        if (now - m_start >= m_limits.totalTimeout) return true;
        // The speed is measured over a window that slides in steps of a sixteenth of its length:
        // a server that slows down after a fast start is caught a window later, not two.
        if (now - m_samples.back().time >= SampleStep()) {
            m_samples.push_back({now, m_transfer.bytes});
        }
        const auto windowStart = now - m_limits.minSpeedTime;
        while (m_samples.size() > 1 && m_samples[1].time <= windowStart) m_samples.pop_front();
        if (m_samples.front().time > windowStart) return false;  // not a whole window yet
        const uint64_t wanted =
            m_limits.minSpeed * static_cast<uint64_t>(m_limits.minSpeedTime.count()) / 1000;
        return m_transfer.bytes - m_samples.front().bytes < wanted;
    }
    // How long the next wait for the network may last before a limit has to be looked at again.
    std::chrono::milliseconds NextCheck() const {
        const auto now = Clock::now();
        const Clock::duration left[] = {m_limits.stallTimeout - (now - m_transfer.lastByte),
                                        m_limits.totalTimeout - (now - m_start), SampleStep()};
        const auto soonest = *std::min_element(std::begin(left), std::end(left));
        return std::chrono::duration_cast<std::chrono::milliseconds>(soonest) +
               std::chrono::milliseconds(1);
    }

  private:
    struct Sample {
        Clock::time_point time;
        uint64_t bytes;  // received by then
    };
    Clock::duration SampleStep() const {
        return std::max<Clock::duration>(m_limits.minSpeedTime / 16, std::chrono::milliseconds(1));
    }

    const DownloadLimits& m_limits;
    Transfer& m_transfer;
    Clock::time_point m_start;
    // Oldest first; the first one lies at or before the start of the current window.
    std::deque<Sample> m_samples;
};

// The progress object of the innermost running download: Esc and the stop command cancel it.
CDownloadProgress*& RunningDownload() {
    // Per thread: Esc on the window's thread reaches the downloads that run there; one on a
    // worker is cancelled through its own progress object.
    thread_local CDownloadProgress* running = nullptr;
    return running;
}

class RunningScope {
  public:
    explicit RunningScope(CDownloadProgress* progress)
        : m_previous(std::exchange(RunningDownload(), progress)) {}
    ~RunningScope() { RunningDownload() = m_previous; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    CDownloadProgress* m_previous;
};

void GlobalInit() {
    // Start-up does this in the program; the command-line tool and the tests rely on this one.
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

}  // namespace

DownloadLimits CHttpDownload::SetLimits(const DownloadLimits& limits) {
    return std::exchange(CurrentLimits(), limits);
}

DownloadLimits CHttpDownload::Limits() {
    return CurrentLimits();
}

void CHttpDownload::SetConditional(const Text& etag, const Text& lastModified,
                                   const std::string& cachedBody) {
    m_etag = etag;
    m_lastModified = lastModified;
    m_cachedBody = cachedBody;
}

// The easy handle must leave the multi handle before either is cleaned up.
struct DetachOnExit {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    ~DetachOnExit() {
        if (multi) curl_multi_remove_handle(multi, easy);
    }
};

class CHttpDownload::Run {
  public:
    Run(CHttpDownload& owner, std::string path, std::string name, bool progress,
        CDownloadProgress* dialog, const DownloadLimits& limits, Text tooLarge)
        : m_owner(owner),
          m_path(std::move(path)),
          m_name(std::move(name)),
          m_dialog(dialog),
          m_limits(limits),
          m_tooLarge(std::move(tooLarge)),
          m_windowed(progress),
          m_clock(m_limits, m_transfer) {}

    // Runs the transfer of `url` into the file; false after showing why it failed. The status
    // rule or a cancel may still have stopped it early: see Rejected and the progress object.
    bool Perform(const std::string& url) {
        try {
            if (m_windowed) m_dialog->Create(Jp("ダウンロード中です"), Utf8ToCp932(m_name));
            Prepare(url);
            Loop();
            return true;
        } catch (const NetworkError& error) {
            return Fail(error.description, kMbIconWarning);
        } catch (const FileError& error) {
            return Fail(error.message, kMbIconWarning);
        } catch (const std::bad_alloc&) {
            // Whatever was held for the transfer is released on the way out; the message needs
            // little.
            return Fail(Jp("メモリが不足しています"), kMbIconError);
        }
    }
    bool Rejected() const { return m_rejected; }
    LocalFile& File() { return m_file; }

  private:
    bool Fail(const Text& message, unsigned icon) {
        m_file.Discard();
        m_dialog->Destroy();
        m_owner.Fail(message, kMbOk | icon);
        return false;
    }

    // The handles and the request: validators only while the body they stand for is cached.
    void Prepare(const std::string& url) {
        m_multi.reset(curl_multi_init());
        m_easy.reset(curl_easy_init());
        m_conditional = !m_owner.m_cachedBody.empty();
        m_headers.reset(RequestHeaders(m_conditional ? m_owner.m_etag : Text(),
                                       m_conditional ? m_owner.m_lastModified : Text()));
        if (!m_multi || !m_easy || !m_headers) throw std::bad_alloc();
        CURL* e = m_easy.get();
        SetDownloadRequest(e, url, m_headers.get(), m_limits.connectTimeout, m_limits.maxBytes);
        ApplySiteRequest(e, m_owner.m_site);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &m_transfer);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &m_transfer);
        if (curl_multi_add_handle(m_multi.get(), e) != CURLM_OK) {
            throw NetworkError{
                DescribeTransferFailure(CURLE_FAILED_INIT, "", CurrentLimits().maxBytes)};
        }
        m_detach.multi = m_multi.get();
        m_detach.easy = e;
    }

    // Once the response head is complete: the status rule, then the file and the length. False
    // when the status refuses the body.
    bool BeginBody() {
        CURL* e = m_easy.get();
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        m_owner.m_status = status;
        // "Not modified" answers a conditional request with the body it stands for.
        m_owner.m_notModified = status == 304 && m_conditional;
        if (!m_owner.m_notModified && (status <= 0 || status >= 300)) {
            m_owner.m_refusalHeaders = std::move(m_transfer.headLines);
            m_owner.m_refusalBodyHead = m_transfer.pending.substr(0, kRefusalBodyHead);
            return false;
        }
        m_clock.Pump(PumpMessage);
        if (!m_file.Create(m_path)) {
            throw FileError{Jp("ファイル ") + Utf8ToCp932(m_path) + Jp(" を作成できませんでした")};
        }
        m_owner.m_responseETag = m_transfer.etag;
        m_owner.m_responseLastModified = m_transfer.lastModified;
        if (m_owner.m_notModified) {
            if (!CopyFileInto(m_owner.m_cachedBody, m_file)) {
                throw FileError{CannotWriteText(m_path)};
            }
            return true;
        }
        curl_off_t length = -1;
        if (curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length >= 0) {
            m_owner.m_announced = static_cast<uint32_t>(std::min<curl_off_t>(length, UINT32_MAX));
            if (m_windowed) m_dialog->SetTotal(length);
        }
        return true;
    }

    // One chunk: count it, show it, pump one event, and write it unless the user cancelled.
    bool TakeChunk(std::string_view chunk) {
        m_received += chunk.size();
        if (m_received > m_limits.maxBytes) throw NetworkError{m_tooLarge};
        m_owner.m_received = static_cast<uint32_t>(m_received);
        if (m_windowed) m_dialog->SetReceived(static_cast<int64_t>(m_received));
        m_clock.Pump(PumpMessage);
        if (m_dialog->IsCancelled()) return false;
        if (!m_file.Write(chunk)) throw FileError{CannotWriteText(m_path)};
        return true;
    }

    // A download asked to run without a window gets one once it has taken long enough.
    void ShowLateWindow() {
        const auto after = m_owner.m_progressAfter;
        if (m_windowed || after.count() <= 0 || m_clock.Elapsed() < after) return;
        m_windowed = true;
        m_dialog->Create(Jp("ダウンロード中です"), Utf8ToCp932(m_name));
        if (m_owner.m_announced > 0) m_dialog->SetTotal(m_owner.m_announced);
        if (m_received > 0) m_dialog->SetReceived(static_cast<int64_t>(m_received));
    }

    // Takes the whole chunks that arrived; false once the transfer is to stop here (the status
    // rule refused the body, or the user cancelled).
    bool TakeArrived() {
        if (!m_started && !m_transfer.pending.empty()) {
            m_started = true;
            if (!BeginBody()) {
                m_rejected = true;
                return false;
            }
        }
        size_t used = 0;
        while (m_transfer.pending.size() - used >= kChunkSize) {
            if (!TakeChunk(std::string_view(m_transfer.pending).substr(used, kChunkSize))) {
                return false;
            }
            used += kChunkSize;
        }
        m_transfer.pending.erase(0, used);
        return true;
    }

    // The transfer's end as libcurl reported it, if it has ended.
    std::optional<CURLcode> Ended() {
        std::optional<CURLcode> result;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) result = message->data.result;
        }
        return result;
    }

    // Waits for the network; false when the user cancelled meanwhile.
    bool Wait(bool inSlices) {
        // With a window to keep alive the wait is cut into slices; the events that came
        // meanwhile (a cancel among them) are handled after each.
        auto wait = std::min(m_clock.NextCheck(), std::chrono::milliseconds(inSlices ? 50 : 1000));
        const auto after = m_owner.m_progressAfter;
        if (after.count() > 0 && !m_windowed) {
            wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      after - m_clock.Elapsed()) +
                                      std::chrono::milliseconds(1));
        }
        const int waitMs = static_cast<int>(std::clamp<int64_t>(wait.count(), 1, 1000));
        curl_multi_poll(m_multi.get(), nullptr, 0, waitMs, nullptr);
        if (!inSlices) return true;
        m_clock.Pump(PumpWhileWaiting);
        return !m_dialog->IsCancelled();
    }

    void Loop() {
        const bool inSlices = HasWaitingPumpHook() || m_dialog->CancelsFromAfar();
        CURLcode result = CURLE_OK;
        for (;;) {
            int running = 0;
            const CURLMcode code = curl_multi_perform(m_multi.get(), &running);
            if (code == CURLM_OUT_OF_MEMORY) throw std::bad_alloc();
            if (code != CURLM_OK) throw NetworkError{DescribeMultiFailure(code)};
            if (!TakeArrived()) return;
            // Looked at on every turn: a server that never lets the loop wait must still end.
            if (m_clock.Exceeded()) {
                throw NetworkError{DescribeTransferFailure(CURLE_OPERATION_TIMEDOUT, "",
                                                           CurrentLimits().maxBytes)};
            }
            ShowLateWindow();
            if (m_transfer.paused) {
                m_transfer.paused = false;
                curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
                continue;
            }
            if (const std::optional<CURLcode> ended = Ended()) {
                result = *ended;
                break;
            }
            if (!Wait(inSlices)) return;
        }
        Finish(result);
    }

    // The transfer ended by itself: its failure, or the last part of its body.
    void Finish(CURLcode result) {
        if (result != CURLE_OK) {
            if (result == CURLE_OUT_OF_MEMORY &&
                !IsHeaderTooLarge(result, m_errorBuffer, m_transfer.inHead)) {
                throw std::bad_alloc();
            }
            if (result == CURLE_FILESIZE_EXCEEDED) throw NetworkError{m_tooLarge};
            throw NetworkError{
                ProxiedFailure(m_easy.get(), result,
                               DescribeTransferFailure(result, m_errorBuffer,
                                                       CurrentLimits().maxBytes, m_transfer.inHead),
                               m_owner.m_site.direct)};
        }
        if (!m_started && !BeginBody()) {
            m_rejected = true;
        } else if (!m_transfer.pending.empty()) {
            TakeChunk(m_transfer.pending);
        }
    }

    CHttpDownload& m_owner;
    const std::string m_path;
    const std::string m_name;
    CDownloadProgress* const m_dialog;
    const DownloadLimits m_limits;
    const Text m_tooLarge;
    bool m_windowed;  // the progress window is (or was) shown
    bool m_conditional = false;
    bool m_started = false;
    bool m_rejected = false;
    uint64_t m_received = 0;
    LocalFile m_file;
    Transfer m_transfer;
    TransferClock m_clock;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::unique_ptr<CURLM, MultiDeleter> m_multi;
    std::unique_ptr<CURL, EasyDeleter> m_easy;
    std::unique_ptr<curl_slist, SlistDeleter> m_headers;
    DetachOnExit m_detach;
};

std::string CHttpDownload::Download(const std::string& folder, bool progress,
                                    const char* fileName) {
    m_announced = 0;
    m_received = 0;
    m_cancelled = false;
    m_failure.clear();
    m_status = 0;
    m_refusalHeaders.clear();
    m_refusalBodyHead.clear();
    m_notModified = false;
    m_responseETag.clear();
    m_responseLastModified.clear();

    const bool named = fileName && *fileName;
    std::string name;
    if (named) {
        name = fileName;
    } else {
        size_t slash = m_address.rfind('/');
        if (slash == Text::npos) return {};
        name = Cp932ToUtf8(std::string_view(m_address).substr(slash + 1));
        // "." and ".." would name the folder itself or its parent, never a file of ours.
        if (name.empty() || name == "." || name == "..") name = "MorvaHttpTemp.html";
    }
    std::string path = folder + "/" + name;
    if (!named) path = MakeUniqueFileName(path);

    std::unique_ptr<CDownloadProgress> ownProgress;
    if (!m_progress) ownProgress = MakeDownloadProgress();
    CDownloadProgress* const dialog = m_progress ? m_progress : ownProgress.get();

    std::string scheme;
    const std::string url = SplitAddress(AddressToUtf8(m_address), &scheme);
    if (url.empty()) {
        Fail(ShownAddress(m_address) + Jp("の解析に失敗しました"), kMbOk | kMbIconWarning);
        return {};
    }
    if (scheme != "http" && scheme != "https") {
        Fail(NotWebAddressText(m_address), kMbOk | kMbIconWarning);
        return {};
    }

    GlobalInit();
    DownloadLimits limits = CurrentLimits();
    const bool ownCap = m_sizeCap != 0 && m_sizeCap < limits.maxBytes;
    if (ownCap) limits.maxBytes = m_sizeCap;
    const Text tooLarge = ownCap ? m_sizeCapMessage : TooLargeMessage(limits.maxBytes);
    RunningScope runningScope(dialog);
    Run run(*this, path, name, progress, dialog, limits, tooLarge);
    if (!run.Perform(url)) return {};

    dialog->Destroy();
    m_cancelled = dialog->IsCancelled();
    if (m_cancelled) return {};
    // A refusal is reported by the caller, as it always was, unless it asked for the reason.
    if (run.Rejected()) {
        m_failure = HttpStatusMessage(m_status);
        return {};
    }
    // A name of our own choosing stays unique up to the last moment; a given name replaces its
    // file.
    if (!run.File().Commit(path, !named)) {
        Fail(CannotWriteText(path), kMbOk | kMbIconWarning);
        return {};
    }
    return path;
}

void CHttpDownload::Fail(const Text& message, unsigned style) {
    m_failure = message;
    if (m_showFailure) ShowMessageBox(message, style);
}

bool CHttpDownload::CancelRunning() {
    CDownloadProgress* running = RunningDownload();
    if (!running || running->IsCancelled()) return false;
    running->Cancel();
    return true;
}

bool CHttpDownload::IsRunning() {
    return RunningDownload() != nullptr;
}

Text ShownAddress(std::string_view address) {
    // A data: address can hold a whole page; a message box of that size would take ages to lay out.
    constexpr size_t kShown = 200;
    if (address.size() <= kShown) return Text(address);
    size_t end = 0;
    while (end < kShown) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(address[end])) ? 2 : 1;
        if (end + step > kShown) break;
        end += step;
    }
    return Text(address.substr(0, end)) + Jp("…");
}

Text NotWebAddressText(const Text& address) {
    return ShownAddress(address) + Jp(" は http または https のアドレスではありません");
}

std::string MakeUniqueFileName(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return path;
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) dot = path.size();
    const std::string_view stem = std::string_view(path).substr(0, dot);
    const std::string_view extension = std::string_view(path).substr(dot);
    for (unsigned long n = 1;; ++n) {
        std::string candidate;
        candidate.reserve(path.size() + 24);
        candidate.append(stem).append("(").append(std::to_string(n)).append(")").append(extension);
        if (lstat(candidate.c_str(), &info) != 0) return candidate;
    }
}

}  // namespace varlo
