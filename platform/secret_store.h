#pragma once
// Where the sync account's password is kept: the desktop's keyring through libsecret when a
// Secret Service answers, else the file "sync-password" beside the settings file, readable by its
// owner only. A password is never written anywhere else.

#include <optional>
#include <string>

namespace varlo {

enum class SecretPlace { kKeyring, kFile };

struct SecretStored {
    bool ok = false;
    SecretPlace place = SecretPlace::kFile;
    // The file was made by this call: the user is told once that the keyring was not used.
    bool fileCreated = false;
};

// The file that holds passwords when no keyring answers: "sync-password" beside SettingsFilePath.
std::string PasswordFilePath();

// Keeps `password` for `account` (the server's address and the user name, "USER@SERVER").
SecretStored StorePassword(const std::string& account, const std::string& password);
// The password kept for `account`, from the keyring first, else the file.
std::optional<std::string> LookupPassword(const std::string& account);
// Forgets the password of `account` in both places. True when none is left.
bool ForgetPassword(const std::string& account);

}  // namespace varlo
