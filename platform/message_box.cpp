#include "platform/message_box.h"

#include <cstdio>
#include <utility>

namespace varlo {
namespace {

// Without a program's own handler the text goes out as its bytes: converting it belongs to the
// text-encoding layer above this one, and the programs that print install a converting handler.
int StandardErrorHandler(const Text& text, unsigned style) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    return (style & 0xF) == kMbYesNo || (style & 0xF) == kMbYesNoCancel ? kIdYes : kIdOk;
}

// Each thread has its own: the window's thread shows windows, while a worker's messages are
// caught by the work that runs there (it hands them to the window's thread with its result) or
// go to standard error, never into a window from the wrong thread.
MessageBoxHandler& Handler() {
    thread_local MessageBoxHandler handler = StandardErrorHandler;
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
