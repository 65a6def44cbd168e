#pragma once
// Between the system's text (code page 932) and the toolkit's strings.

#include <wx/string.h>

#include <string>
#include <string_view>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "platform/text.h"

namespace varlo {

// System text as a toolkit string: carried characters as themselves, text that merely looks like
// a reference ("&#x1F600;" typed) as it was typed.
inline wxString ToWx(const Text& text) {
    return wxString::FromUTF8(Cp932TextToUtf8(text));
}
// A toolkit string as system text (characters the code page lacks carried as references, and an
// "&" typed before what would read as one kept apart from them).
inline Text FromWx(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return Utf8TextToCp932(std::string_view(utf8.data(), utf8.length()));
}
// UTF-8 text (what the store and the settings hold) and back.
inline wxString FromUtf8(std::string_view utf8) {
    return wxString::FromUTF8(utf8.data(), utf8.size());
}
inline std::string ToUtf8(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}
// A UTF-8 literal of the source as a toolkit string.
inline wxString Wx(const char* utf8) {
    return wxString::FromUTF8(utf8);
}

}  // namespace varlo
