#include "gui/platform/shell_open.h"

#include <sys/stat.h>
#include <wx/filesys.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <utility>

#include "encoding/codepage.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace varlo {
namespace {

// The toolkit's own report of a failed launch is English: it is kept quiet, and the caller tells
// the user in the window's language.
bool DesktopBrowser(const std::string& address) {
    wxLogNull quiet;
    return wxLaunchDefaultBrowser(wxString::FromUTF8(address));
}

bool DesktopApplication(const std::string& localPath) {
    wxLogNull quiet;
    return wxLaunchDefaultApplication(wxString::FromUTF8(localPath));
}

ShellLauncher& Launcher() {
    static ShellLauncher launcher{DesktopBrowser, DesktopApplication};
    return launcher;
}

// The scheme of an address ("http" for "HTTP://..."), empty when the text has none. A single
// letter before ":" is not taken for a scheme.
std::string SchemeOf(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2) return {};
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return {};
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    }
    return AsciiLowerCopy(text.substr(0, colon));
}

// Control characters have no place in an address or a path, nor spaces in an address: a
// handler might split on them.
bool HasUnsafeCharacters(std::string_view text, bool spacesAllowed) {
    return std::any_of(text.begin(), text.end(), [spacesAllowed](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || (byte == 0x20 && !spacesAllowed);
    });
}

// Files whose default handler runs their content as a program even without an executable bit.
bool IsLauncherType(const std::filesystem::path& path) {
    static constexpr std::array<std::string_view, 16> kTypes = {
        ".desktop",  ".jar", ".exe", ".msi",  ".com", ".bat", ".cmd", ".scr",
        ".appimage", ".run", ".sh",  ".bash", ".py",  ".pl",  ".vbs", ".ps1"};
    const std::string extension = AsciiLowerCopy(path.extension().string());
    return std::find(kTypes.begin(), kTypes.end(), extension) != kTypes.end();
}

// The absolute path of an existing regular file that nobody may execute, or empty.
std::string OpenableFile(const std::string& path) {
    if (path.empty()) return {};
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (error) return {};
    struct stat info {};
    if (::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    if (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) return {};
    if (IsLauncherType(resolved)) return {};
    return resolved.string();
}

}  // namespace

ShellTarget ClassifyShellTarget(const std::string& addressOrPath, std::string* localPath) {
    const std::string_view text = addressOrPath;
    const std::string scheme = SchemeOf(text);
    if (text.empty() || HasUnsafeCharacters(text, scheme.empty())) return ShellTarget::kRefused;
    if (scheme == "http" || scheme == "https") {
        // A web address needs a host: "http:" alone or "http:/x" opens nothing useful.
        const std::string_view rest = text.substr(scheme.size() + 1);
        if (rest.size() < 3 || rest.substr(0, 2) != "//" || rest[2] == '/') {
            return ShellTarget::kRefused;
        }
        return ShellTarget::kBrowser;
    }
    if (scheme == "mailto") {
        return text.size() > scheme.size() + 1 ? ShellTarget::kBrowser : ShellTarget::kRefused;
    }
    std::string path;
    if (scheme == "file") {
        // Only this machine's files: "file:///path" or "file://localhost/path".
        std::string_view rest = text.substr(5);
        if (rest.substr(0, 2) != "//") return ShellTarget::kRefused;
        rest.remove_prefix(2);
        if (AsciiLowerCopy(rest.substr(0, 9)) == "localhost") rest.remove_prefix(9);
        if (rest.empty() || rest[0] != '/') return ShellTarget::kRefused;
        path = wxFileSystem::URLToFileName(
                   wxString::FromUTF8(std::string("file://") + std::string(rest)))
                   .GetFullPath()
                   .utf8_string();
    } else if (!scheme.empty()) {
        return ShellTarget::kRefused;
    } else {
        path = addressOrPath;
    }
    std::string file = OpenableFile(path);
    if (file.empty()) return ShellTarget::kRefused;
    if (localPath) *localPath = std::move(file);
    return ShellTarget::kLocalFile;
}

bool OpenWithDefaultHandler(const std::string& addressOrPath) {
    std::string localPath;
    const ShellTarget target = ClassifyShellTarget(addressOrPath, &localPath);
    if (target != ShellTarget::kRefused) {
        bool launched = false;
        {
            // The toolkit reports a launch that failed in English, through its log; Varlo tells
            // the user itself, in the window's language.
            wxLogNull quiet;
            launched = target == ShellTarget::kBrowser ? Launcher().browser(addressOrPath)
                                                       : Launcher().application(localPath);
        }
        if (!launched) {
            ShowMessageBox(
                Jp("次のアドレスまたはファイルを開くプログラムを起動できませんでした。\n") +
                    Utf8ToCp932(addressOrPath),
                kMbOk | kMbIconWarning);
        }
        return launched;
    }
    ShowMessageBox(Jp("次のアドレスまたはファイルは開けません。\n") + Utf8ToCp932(addressOrPath) +
                       Jp("\n\n開けるのは http、https、mailto のアドレスと、"
                          "実行できない既存のファイルだけです。"),
                   kMbOk | kMbIconWarning);
    return false;
}

ShellLauncher SetShellLauncher(ShellLauncher launcher) {
    if (!launcher.browser) launcher.browser = DesktopBrowser;
    if (!launcher.application) launcher.application = DesktopApplication;
    return std::exchange(Launcher(), std::move(launcher));
}

}  // namespace varlo
