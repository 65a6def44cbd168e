#include "loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace varlo::test {
namespace {

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// The generated body repeats this pattern; byte i is kPattern[i % size].
constexpr std::string_view kPattern = "abcdefghijklmnopqrstuvwxyz0123456789\n";

// Waits until `fd` is ready for `events` or the server stops; false when it stopped.
bool WaitFor(int fd, short events, int stopFd) {
    pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (fds[1].revents & POLLIN)) return false;
        if (fds[0].revents) return true;
    }
}

// Waits for `pause` unless the server stops first; false when it stopped.
bool Pause(std::chrono::milliseconds pause, int stopFd) {
    pollfd fds[1] = {{stopFd, POLLIN, 0}};
    for (;;) {
        int n = poll(fds, 1, static_cast<int>(pause.count()));
        if (n < 0 && errno == EINTR) continue;
        return n == 0;
    }
}

// Sends everything unless the peer goes away or the server stops.
bool SendAll(int fd, std::string_view bytes, int stopFd) {
    while (!bytes.empty()) {
        ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, stopFd)) return false;
            continue;
        }
        return false;
    }
    return true;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

Request ParseRequest(const std::string& raw) {
    Request request;
    request.raw = raw;
    std::string_view rest = raw;
    bool first = true;
    while (!rest.empty()) {
        size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        if (line.empty()) break;
        if (first) {
            first = false;
            size_t a = line.find(' ');
            size_t b = line.rfind(' ');
            if (a == std::string_view::npos || b == a) continue;
            request.method = line.substr(0, a);
            request.target = line.substr(a + 1, b - a - 1);
            request.version = line.substr(b + 1);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        request.headers.emplace_back(std::string(line.substr(0, colon)),
                                     std::string(TrimSpaces(line.substr(colon + 1))));
    }
    return request;
}

}  // namespace

Response Ok(std::string body, std::string contentType) {
    Response response;
    response.headers.emplace_back("Content-Type", std::move(contentType));
    response.body = std::move(body);
    return response;
}

std::string Compress(const std::string& data, const std::string& encoding) {
    z_stream stream{};
    // 31: a gzip wrapper; 15: the zlib wrapper that HTTP calls "deflate".
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, encoding == "gzip" ? 31 : 15, 9,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

Response Redirect(int status, std::string location) {
    Response response;
    response.status = status;
    response.headers.emplace_back("Location", std::move(location));
    response.body = "moved";
    return response;
}

size_t Request::Count(const std::string& name) const {
    return static_cast<size_t>(std::count_if(headers.begin(), headers.end(), [&](const auto& h) {
        return strcasecmp(h.first.c_str(), name.c_str()) == 0;
    }));
}

std::string Request::Header(const std::string& name) const {
    for (const auto& h : headers) {
        if (strcasecmp(h.first.c_str(), name.c_str()) == 0) return h.second;
    }
    return {};
}

LoopbackServer::LoopbackServer(const std::string& host) : m_address(host) {
    if (pipe2(m_stopPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0) throw std::runtime_error("socket failed");
    int one = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        throw std::runtime_error("not an IPv4 address: " + host);
    }
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen, 512) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    char wake = 1;
    (void)!write(m_stopPipe[1], &wake, 1);
    m_acceptor.join();
    // No new connection threads can appear now.
    for (auto& t : m_connections) t.join();
    close(m_listen);
    close(m_stopPipe[0]);
    close(m_stopPipe[1]);
}

void LoopbackServer::SetHandler(std::function<std::optional<Response>(const Request&)> handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void LoopbackServer::Route(const std::string& target, Response response) {
    std::lock_guard lock(m_mutex);
    m_routes[target] = std::move(response);
}

std::string LoopbackServer::Url(const std::string& target) const {
    return "http://" + m_address + ":" + std::to_string(m_port) + target;
}

std::vector<Request> LoopbackServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackServer::AcceptLoop() {
    while (WaitFor(m_listen, POLLIN, m_stopPipe[0])) {
        int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, fd] {
            Serve(fd);
            close(fd);
        });
    }
}

void LoopbackServer::Serve(int fd) {
    const int stopFd = m_stopPipe[0];
    std::string raw;
    char buffer[4096];
    while (raw.find("\r\n\r\n") == std::string::npos) {
        if (raw.size() > 65536 || !WaitFor(fd, POLLIN, stopFd)) return;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0) return;
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return;
        }
        raw.append(buffer, static_cast<size_t>(n));
    }
    std::string extra = raw.substr(raw.find("\r\n\r\n") + 4);
    raw.resize(raw.find("\r\n\r\n") + 4);
    Request request = ParseRequest(raw);
    const std::string announced = request.Header("Content-Length");
    const size_t bodySize = announced.empty() ? 0 : std::strtoull(announced.c_str(), nullptr, 10);
    if (bodySize > (size_t{16} << 20)) return;
    while (extra.size() < bodySize) {
        if (!WaitFor(fd, POLLIN, stopFd)) return;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0) return;
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return;
        }
        extra.append(buffer, static_cast<size_t>(n));
    }
    extra.resize(bodySize);
    request.body = std::move(extra);
    std::function<std::optional<Response>(const Request&)> handler;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
        handler = m_handler;
    }
    std::optional<Response> handled;
    if (handler) handled = handler(request);
    Response response;
    if (handled) {
        response = std::move(*handled);
    } else {
        std::lock_guard lock(m_mutex);
        auto it = m_routes.find(request.target);
        if (it != m_routes.end()) {
            response = it->second;
        } else {
            response.status = 404;
            response.body = "<html><body>not found</body></html>";
        }
    }
    const bool notModified =
        (!response.etag.empty() && request.Header("If-None-Match") == response.etag) ||
        (!response.lastModified.empty() &&
         request.Header("If-Modified-Since") == response.lastModified);
    if (notModified) {
        response.status = 304;
        response.body.clear();
        response.generatedSize = 0;
        response.encoding.clear();
        response.contentLength = false;
        response.chunked = false;
    }
    if (!response.etag.empty()) response.headers.emplace_back("ETag", response.etag);
    if (!response.lastModified.empty()) {
        response.headers.emplace_back("Last-Modified", response.lastModified);
    }
    if (!response.encoding.empty()) {
        if (response.generatedSize) {
            std::string body;
            body.reserve(response.generatedSize);
            while (body.size() < response.generatedSize) body += kPattern;
            body.resize(response.generatedSize);
            response.body = std::move(body);
            response.generatedSize = 0;
        }
        response.body = Compress(response.body, response.encoding);
        response.headers.emplace_back("Content-Encoding", response.encoding);
    }
    if (response.stallBeforeHeaders) {
        WaitFor(fd, 0, stopFd);
        return;
    }

    const uint64_t size = response.generatedSize ? response.generatedSize : response.body.size();
    std::string head =
        "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (response.contentLength) {
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    if (!SendAll(fd, head, stopFd)) return;

    // The generated body comes from one block that holds the pattern at every phase.
    std::string block;
    if (response.generatedSize) {
        while (block.size() < 65536 + kPattern.size()) block += kPattern;
    }
    auto bodySlice = [&](uint64_t offset, size_t length) -> std::string_view {
        if (!response.generatedSize) return std::string_view(response.body).substr(offset, length);
        return std::string_view(block).substr(offset % kPattern.size(), length);
    };

    const uint64_t stopAt = std::min({size, response.dropAfter, response.stallAfter});
    size_t piece = response.chunked ? std::max<size_t>(1, response.chunkSize) : 65536;
    if (response.trickle.count() > 0) piece = 1;
    // Pacing sends a tenth of the rate every tenth of a second.
    const auto paceStart = std::chrono::steady_clock::now();
    if (response.bytesPerSecond) piece = std::max<size_t>(1, response.bytesPerSecond / 10);
    uint64_t sent = 0;
    while (sent < stopAt) {
        size_t length = static_cast<size_t>(std::min<uint64_t>(piece, stopAt - sent));
        std::string_view data = bodySlice(sent, length);
        if (response.chunked) {
            char sizeLine[32];
            std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", length);
            if (!SendAll(fd, sizeLine, stopFd) || !SendAll(fd, data, stopFd) ||
                !SendAll(fd, "\r\n", stopFd)) {
                return;
            }
        } else if (!SendAll(fd, data, stopFd)) {
            return;
        }
        sent += length;
        if (response.trickle.count() > 0 && !Pause(response.trickle, stopFd)) return;
        if (response.bytesPerSecond && sent < stopAt) {
            const auto due =
                paceStart + std::chrono::microseconds(sent * 1000000 / response.bytesPerSecond);
            // The server paces itself; a stop cuts the wait short.
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                due - std::chrono::steady_clock::now());
            if (wait.count() > 0) {
                pollfd stop{stopFd, POLLIN, 0};
                if (poll(&stop, 1, static_cast<int>(wait.count())) > 0) return;
            }
        }
    }
    if (sent < size && response.stallAfter <= response.dropAfter) {
        WaitFor(fd, 0, stopFd);
        return;
    }
    if (sent < size) return;  // dropped: close without the rest
    if (response.chunked && !SendAll(fd, "0\r\n\r\n", stopFd)) return;
    shutdown(fd, SHUT_WR);
    // Let the client read everything before the socket goes away.
    while (WaitFor(fd, POLLIN, stopFd)) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    }
}

}  // namespace varlo::test
