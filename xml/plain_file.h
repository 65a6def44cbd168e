#pragma once
// A thin owner of a C file stream whose failures raise CMorvaFileException with fixed messages.

#include <cstdio>
#include <memory>
#include <string>

#include "platform/text.h"

namespace varlo {

// A file failure: a fixed Japanese text, ":", and the path concerned (code page 932).
class CMorvaFileException {
  public:
    explicit CMorvaFileException(Text message) : m_message(std::move(message)) {}
    Text GetMessage() const { return m_message; }

  private:
    Text m_message;
};

class CPlainFile {
  public:
    CPlainFile() = default;
    // Closes a stream left open without checking the result.
    ~CPlainFile() = default;

    // Opens the stream with a mode ("rb", "wb"); throws when it cannot be opened.
    bool Open(const std::string& path, const char* mode);
    // Closes the stream if one is open; throws when closing reports an error.
    bool Close();
    // Writes all bytes of `data`; throws on an error.
    bool Write(std::string_view data);
    // Repositions; throws on failure.
    bool Seek(long long offset, int origin);
    // Current byte position.
    long long GetPosition() const;
    // Length of the file.
    long long GetLength();
    // Reads up to `count` bytes; throws when the stream reports an error.
    size_t Read(void* buffer, size_t count);
    // Reads the whole file up to its first zero byte (all of it when it is UTF-16 or UTF-32);
    // throws when the buffer cannot be allocated or the read fails.
    std::string ReadAll();
    // Flushes and syncs the written data to the device; throws on failure.
    bool Sync();

    const std::string& GetPath() const { return m_path; }
    // Names `path` in messages instead of the opened path (a temporary file stands in for it).
    void SetReportedPath(const std::string& path) { m_reportedPath = path; }

    // Message texts of the failures.
    static const char* const kOpenFailed;
    static const char* const kCloseFailed;
    static const char* const kWriteFailed;
    static const char* const kSeekFailed;
    static const char* const kReadFailed;
    static const char* const kBufferFailed;

  private:
    [[noreturn]] void Raise(const char* message) const;
    void ReadRegular(std::string& buffer, long long length);

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_stream;
    std::string m_path;
    std::string m_reportedPath;
};

}  // namespace varlo
