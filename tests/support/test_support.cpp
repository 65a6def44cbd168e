#include "support/test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

#include "encoding/codepage.h"
#include "platform/allocator.h"

namespace varlo::test {

int ClosedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    if (!bound) throw std::runtime_error("bind failed");
    return ntohs(address.sin_port);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varlo-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Folders a test made read-only must become writable again before they can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

MessageCapture::MessageCapture(int answer) : m_answer(answer) {
    m_previous = SetMessageBoxHandler([this](const Text& text, unsigned style) {
        m_messages.push_back(Cp932ToUtf8(text));
        m_styles.push_back(style);
        return m_answer;
    });
}

MessageCapture::~MessageCapture() {
    SetMessageBoxHandler(m_previous);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

std::string DataPath(const std::string& name) {
    return std::string(VARLO_TEST_DATA) + "/" + name;
}

std::string CorpusPath(const std::string& relative) {
    const std::filesystem::path root(VARLO_CORPUS);
    if (!std::filesystem::exists(root)) return {};
    return (root / relative).string();
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* previous = std::getenv("TZ");
    m_hadPrevious = previous != nullptr;
    if (previous) m_previous = previous;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (m_hadPrevious) {
        setenv("TZ", m_previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return 07777;
    return info.st_mode & 07777;
}

namespace {

int64_t ResidentBytes() {
    long size = 0, pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &size, &pages) != 2) pages = 0;
        std::fclose(statm);
    }
    return static_cast<int64_t>(pages) * sysconf(_SC_PAGESIZE);
}

}  // namespace

int64_t PeakGrowthInChild(const std::function<void()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return INT64_MAX;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        // Measured in the child against what it holds at its start: the pages it shares with
        // this process are not its growth.
        const int64_t before = ResidentBytes();
        body();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const int64_t growth = static_cast<int64_t>(usage.ru_maxrss) * 1024 - before;
        _exit(write(fds[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    close(fds[1]);
    int64_t growth = INT64_MAX;
    if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = INT64_MAX;
    close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return INT64_MAX;
    }
    return growth;
}

size_t ResidentPeakOfInChild(const std::function<void()>& work) {
    // Memory this process freed but still holds would be handed to the child's work without
    // showing as growth: give it back first.
    malloc_trim(0);
    int fds[2];
    if (pipe(fds) != 0) return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        KeepLargeBlocksOutOfTheHeap();
        auto status = [](const char* key) -> size_t {
            std::ifstream in("/proc/self/status");
            std::string line;
            while (std::getline(in, line)) {
                if (line.rfind(key, 0) == 0) {
                    return std::stoul(line.substr(std::strlen(key))) * 1024;
                }
            }
            return 0;
        };
        std::ofstream("/proc/self/clear_refs") << "5";  // restarts the peak from here
        const size_t base = status("VmRSS:");
        work();
        const size_t peak = status("VmHWM:");
        const size_t growth = peak > base ? peak - base : 0;
        (void)!write(fds[1], &growth, sizeof growth);
        _exit(0);
    }
    close(fds[1]);
    size_t growth = 0;
    (void)!read(fds[0], &growth, sizeof growth);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return growth;
}

}  // namespace varlo::test
