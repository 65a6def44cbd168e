#include "platform/dialup.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

extern char** environ;

namespace varlo {
namespace {

// pppd's exit status when the serial line is locked by another pppd: the line is already open.
constexpr int kPppdLineLocked = 6;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Starts a program with an argument list (argv[0] included; no shell, standard input from
// /dev/null) and waits for it. Its exit status, or -1 when it did not start or exit normally.
int RunProgram(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool IsPlainEntryName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name[0] == '.' || name[0] == '-') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::strchr("._-+@:,=", c) != nullptr;
    });
}

bool PppDialupService::Available() {
    struct stat info;
    return stat(m_paths.peers.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(m_paths.pon.c_str(), X_OK) == 0;
}

std::optional<std::vector<std::string>> PppDialupService::Entries() {
    DirPtr dir(opendir(m_paths.peers.c_str()));
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        // Files that could not be dialled safely are not offered at all.
        if (IsPlainEntryName(name) && IsRegularFile(m_paths.peers + "/" + name)) {
            names.push_back(std::move(name));
        }
    }
    // The folder's order is arbitrary; the phone book's order is the names'.
    std::sort(names.begin(), names.end());
    return names;
}

bool PppDialupService::HasEntry(const std::string& entry) {
    return IsPlainEntryName(entry) && IsRegularFile(m_paths.peers + "/" + entry);
}

DialOutcome PppDialupService::Dial(const std::string& entry) {
    if (!IsPlainEntryName(entry)) return DialOutcome::kFailed;
    if (!Available()) return DialOutcome::kUnavailable;
    // "updetach": pppd returns once the link is up, or fails with its reason as exit status.
    int status = RunProgram({m_paths.pon, entry, "updetach"});
    if (status == 0) return DialOutcome::kConnected;
    if (status == kPppdLineLocked) return DialOutcome::kAlreadyOpen;
    return DialOutcome::kFailed;
}

std::optional<int> PppDialupService::ActiveConnections() {
    DirPtr dir(opendir(m_paths.proc.c_str()));
    if (!dir) return std::nullopt;
    int count = 0;
    while (dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (!*name || !std::all_of(name, name + std::strlen(name),
                                   [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        std::ifstream comm(m_paths.proc + "/" + name + "/comm");
        std::string command;
        if (std::getline(comm, command) && command == "pppd") ++count;
    }
    return count;
}

void PppDialupService::HangUp() {
    // Without arguments poff stops the one running pppd.
    if (access(m_paths.poff.c_str(), X_OK) == 0) RunProgram({m_paths.poff});
}

IDialupService& SystemDialupService() {
    static PppDialupService service;
    return service;
}

}  // namespace varlo
