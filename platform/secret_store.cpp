#include "platform/secret_store.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/private_files.h"
#include "platform/settings_path.h"
#include "platform/text.h"

namespace varlo {
namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {
        "jp.morva.Varlo.SyncPassword",
        SECRET_SCHEMA_NONE,
        {{"account", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return &schema;
}

// The keyring's library, loaded the first time a password is stored or looked up: it brings a
// dozen libraries of the desktop with it, which every start of the command line would otherwise
// load for nothing. Without it, passwords stay in the file.
struct Keyring {
    using Store = gboolean (*)(const SecretSchema*, const gchar*, const gchar*, const gchar*,
                               GCancellable*, GError**, ...);
    using Lookup = gchar* (*)(const SecretSchema*, GCancellable*, GError**, ...);
    using Clear = gboolean (*)(const SecretSchema*, GCancellable*, GError**, ...);
    using FreePassword = void (*)(gchar*);
    using FreeError = void (*)(GError*);
    Store store = nullptr;
    Lookup lookup = nullptr;
    Clear clear = nullptr;
    FreePassword freePassword = nullptr;
    FreeError freeError = nullptr;

    bool Usable() const { return store && lookup && clear && freePassword && freeError; }
};

const Keyring& KeyringCalls() {
    static const Keyring keyring = [] {
        Keyring k;
        // Never closed: the library keeps threads and state of its own for the process's life.
        void* library = dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) return k;
        k.store = reinterpret_cast<Keyring::Store>(dlsym(library, "secret_password_store_sync"));
        k.lookup = reinterpret_cast<Keyring::Lookup>(dlsym(library, "secret_password_lookup_sync"));
        k.clear = reinterpret_cast<Keyring::Clear>(dlsym(library, "secret_password_clear_sync"));
        k.freePassword =
            reinterpret_cast<Keyring::FreePassword>(dlsym(library, "secret_password_free"));
        k.freeError = reinterpret_cast<Keyring::FreeError>(dlsym(library, "g_error_free"));
        return k;
    }();
    return keyring;
}

void FreeError(GError* error) {
    if (error) KeyringCalls().freeError(error);
}

// Without a session bus there is no Secret Service to ask, and asking would start one.
bool KeyringReachable() {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* off = std::getenv("VARLO_NO_KEYRING");
    return bus && *bus && !(off && *off) && KeyringCalls().Usable();
}

std::string Escape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || c == '%' || b == 0x7f) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The file's accounts and passwords: one "ACCOUNT PASSWORD" line each, both escaped.
std::map<std::string, std::string> ReadPasswordFile() {
    std::map<std::string, std::string> entries;
    const int fd = open(PasswordFilePath().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return entries;
    std::string data;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0 && data.size() < (1u << 20)) {
        data.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    std::string_view rest = data;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const size_t space = line.find(' ');
        if (space == std::string_view::npos) continue;
        entries[Unescape(line.substr(0, space))] = Unescape(line.substr(space + 1));
    }
    return entries;
}

// Replaces the file with `entries` (removes it when there are none); mode 0600 from its creation.
bool WritePasswordFile(const std::map<std::string, std::string>& entries) {
    const std::string path = PasswordFilePath();
    if (entries.empty()) return unlink(path.c_str()) == 0 || errno == ENOENT;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && !MakeFolders(path.substr(0, slash))) return false;
    const std::string temp = path + ".new";
    unlink(temp.c_str());
    const int fd =
        open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    if (fd < 0) return false;
    fchmod(fd, kPrivateFileMode);  // whatever the umask
    std::string data;
    for (const auto& [account, password] : entries) {
        data += Escape(account) + " " + Escape(password) + "\n";
    }
    bool ok = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string PasswordFilePath() {
    const std::string settings = SettingsFilePath();
    const size_t slash = settings.rfind('/');
    return slash == std::string::npos ? "sync-password"
                                      : settings.substr(0, slash + 1) + "sync-password";
}

SecretStored StorePassword(const std::string& account, const std::string& password) {
    SecretStored result;
    if (KeyringReachable()) {
        GError* error = nullptr;
        const gboolean stored =
            KeyringCalls().store(Schema(), SECRET_COLLECTION_DEFAULT, "Varlo", password.c_str(),
                                 nullptr, &error, "account", account.c_str(), nullptr);
        FreeError(error);
        if (stored) {
            // A copy left in the file from a time without keyring goes.
            auto entries = ReadPasswordFile();
            if (entries.erase(account)) WritePasswordFile(entries);
            result.ok = true;
            result.place = SecretPlace::kKeyring;
            return result;
        }
    }
    struct stat st;
    const bool existed = lstat(PasswordFilePath().c_str(), &st) == 0;
    auto entries = ReadPasswordFile();
    entries[account] = password;
    result.ok = WritePasswordFile(entries);
    result.place = SecretPlace::kFile;
    result.fileCreated = result.ok && !existed;
    return result;
}

std::optional<std::string> LookupPassword(const std::string& account) {
    if (KeyringReachable()) {
        GError* error = nullptr;
        gchar* found =
            KeyringCalls().lookup(Schema(), nullptr, &error, "account", account.c_str(), nullptr);
        FreeError(error);
        if (found) {
            std::string password(found);
            KeyringCalls().freePassword(found);
            return password;
        }
    }
    const auto entries = ReadPasswordFile();
    const auto it = entries.find(account);
    if (it == entries.end()) return std::nullopt;
    return it->second;
}

bool ForgetPassword(const std::string& account) {
    if (KeyringReachable()) {
        GError* error = nullptr;
        KeyringCalls().clear(Schema(), nullptr, &error, "account", account.c_str(), nullptr);
        FreeError(error);
    }
    auto entries = ReadPasswordFile();
    if (!entries.erase(account)) return true;
    return WritePasswordFile(entries);
}

}  // namespace varlo
