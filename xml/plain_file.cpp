#include "xml/plain_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "encoding/codepage.h"
#include "encoding/declared_encoding.h"
#include "platform/allocator.h"
#include "xml/text_buffer.h"

namespace varlo {

const char* const CPlainFile::kOpenFailed = "ファイルのオープンに失敗しました";
const char* const CPlainFile::kCloseFailed = "ファイルのクローズに失敗しました";
const char* const CPlainFile::kWriteFailed = "ファイルの書込に失敗しました";
const char* const CPlainFile::kSeekFailed = "ファイルのシークに失敗しました";
const char* const CPlainFile::kReadFailed = "ファイルの読込に失敗しました";
const char* const CPlainFile::kBufferFailed = "ファイル読み込みバッファ確保エラー：";

void CPlainFile::Raise(const char* message) const {
    throw CMorvaFileException(Jp(message) + ":" +
                              Utf8ToCp932(m_reportedPath.empty() ? m_path : m_reportedPath));
}

bool CPlainFile::Open(const std::string& path, const char* mode) {
    m_stream.reset();
    m_path = path;
    m_stream.reset(std::fopen(path.c_str(), mode));
    if (!m_stream) Raise(kOpenFailed);
    return true;
}

bool CPlainFile::Close() {
    if (!m_stream) return true;
    std::FILE* stream = m_stream.release();
    if (std::fclose(stream) != 0) Raise(kCloseFailed);
    return true;
}

bool CPlainFile::Write(std::string_view data) {
    if (!m_stream) Raise(kWriteFailed);
    if (std::fwrite(data.data(), 1, data.size(), m_stream.get()) != data.size())
        Raise(kWriteFailed);
    return true;
}

bool CPlainFile::Sync() {
    if (!m_stream) Raise(kWriteFailed);
    if (std::fflush(m_stream.get()) != 0) Raise(kWriteFailed);
    if (fsync(fileno(m_stream.get())) != 0) Raise(kWriteFailed);
    return true;
}

bool CPlainFile::Seek(long long offset, int origin) {
    if (!m_stream || fseeko(m_stream.get(), static_cast<off_t>(offset), origin) != 0) {
        Raise(kSeekFailed);
    }
    return true;
}

long long CPlainFile::GetPosition() const {
    return m_stream ? static_cast<long long>(ftello(m_stream.get())) : -1;
}

long long CPlainFile::GetLength() {
    const long long position = GetPosition();
    if (position < 0) Raise(kSeekFailed);
    Seek(0, SEEK_END);
    const long long length = GetPosition();
    Seek(position, SEEK_SET);
    if (length < 0) Raise(kSeekFailed);
    return length;
}

size_t CPlainFile::Read(void* buffer, size_t count) {
    if (!m_stream) Raise(kReadFailed);
    const size_t read = std::fread(buffer, 1, count, m_stream.get());
    if (std::ferror(m_stream.get())) Raise(kReadFailed);
    return read;
}

std::string CPlainFile::ReadAll() {
    std::string buffer;
    struct stat st;
    const bool known = m_stream && fstat(fileno(m_stream.get()), &st) == 0;
    if (known && !S_ISREG(st.st_mode)) {
        // A pipe or device has no length to ask for, and a folder cannot be read: read until the
        // end, and let the stream report what fails.
        char chunk[65536];
        for (;;) {
            const size_t read = Read(chunk, sizeof chunk);
            if (read == 0) break;
            buffer.append(chunk, read);
        }
    } else {
        // The length the system already gave saves three seeks.
        ReadRegular(buffer, known ? static_cast<long long>(st.st_size) : GetLength());
    }
    // The text ends at its first zero byte, unless it is UTF-16 or UTF-32, which hold zero bytes.
    if (HasWideTextSignature(buffer)) return buffer;
    if (const void* zero = std::memchr(buffer.data(), 0, buffer.size())) {
        buffer.resize(static_cast<size_t>(static_cast<const char*>(zero) - buffer.data()));
    }
    return buffer;
}

void CPlainFile::ReadRegular(std::string& buffer, long long length) {
    try {
        bool reused = false;
        buffer = TakeTextBuffer(static_cast<size_t>(length), &reused);
        if (!reused) {
            AdviseHugePages(buffer.data(), buffer.capacity());
            PopulatePages(buffer.data(), buffer.capacity());
        }
        buffer.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        Raise(kBufferFailed);
    } catch (const std::length_error&) {
        Raise(kBufferFailed);
    }
    const size_t read = Read(buffer.data(), buffer.size());
    buffer.resize(read);
}

}  // namespace varlo
