#include "platform/message_box.h"

#include <cstdio>
#include <utility>

#include "platform/codepage.h"

namespace varlo {
namespace {

int StandardErrorHandler(const Text& text, unsigned style) {
    std::string line = Cp932ToUtf8(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    return (style & 0xF) == kMbYesNo || (style & 0xF) == kMbYesNoCancel ? kIdYes : kIdOk;
}

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler = StandardErrorHandler;
    return handler;
}

}  // namespace

int ShowMessageBox(const Text& text, unsigned style) {
    return Handler()(text, style);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    if (!handler) handler = StandardErrorHandler;
    return std::exchange(Handler(), std::move(handler));
}

}  // namespace varlo
