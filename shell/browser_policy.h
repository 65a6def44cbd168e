#pragma once
// What the browser pane may load. Pages from the web come and go there freely; anything else
// could run script with the user's local files in reach (a data: page, a local file, a
// javascript: address run inside the page shown), so the pane loads only web addresses, the
// preview page, the user guide and the empty page, whoever asks: Varlo itself or the page shown.

#include <string>
#include <string_view>

namespace varlo {

// What the pane does with an address.
enum class BrowserNavigation {
    kLoad,    // http, https, the preview page, the user guide, about:blank
    kMail,    // a mailto: address, given to the desktop's mail program
    kRefuse,  // anything else: nothing loads and the user is told
};

// The decision for `address` (UTF-8, as the browser engine would take it), given the local paths
// of the preview page and of the user guide's page (either may be empty: none). Surrounding white
// space and tabs or line breaks inside are ignored, as the engine ignores them.
BrowserNavigation ClassifyNavigation(std::string_view address, std::string_view previewPath,
                                     std::string_view helpPath = {});

// The mailto: address handed to the mail program for `address` (a kMail address): its recipients
// and its first "subject" and "body" fields as written; every other field ("attach", "cc",
// "bcc", "to" and the like) and any fragment is dropped, so a page can never make the mail
// program attach a file or write to someone the address does not show. "" when `address` is not
// a mailto: address.
std::string MailAddressToHandOn(std::string_view address);

// The local path a file: address names (percent-decoded, query and fragment dropped); "" when the
// address is not a file address of this machine.
std::string LocalPathOfFileAddress(std::string_view address);

}  // namespace varlo
