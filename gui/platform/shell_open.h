#pragma once
// Opening an address or a file with the desktop's default handler, limited to what cannot start
// a program: web and mail addresses, and existing files that are not executable. Nothing ever
// goes through a shell.

#include <functional>
#include <string>

namespace varlo {

// How an address or path would be opened.
enum class ShellTarget {
    kRefused,   // not opened: a message says why
    kBrowser,   // an http, https or mailto address, given to the default browser
    kLocalFile  // an existing local file that is not executable, given to its default application
};

// What `addressOrPath` (UTF-8) is, and for a file (a path or a file address) its absolute local
// path in `localPath`.
ShellTarget ClassifyShellTarget(const std::string& addressOrPath, std::string* localPath = nullptr);

// Opens `addressOrPath` (UTF-8) with its default handler. Anything refused gets a message box
// and false; true when the handler was started.
bool OpenWithDefaultHandler(const std::string& addressOrPath);

// The two ways of starting a default handler; tests replace them so that nothing is launched.
struct ShellLauncher {
    std::function<bool(const std::string& address)> browser;
    std::function<bool(const std::string& localPath)> application;
};

// Installs launchers and returns the previous ones; empty functions restore the desktop's.
ShellLauncher SetShellLauncher(ShellLauncher launcher);

}  // namespace varlo
