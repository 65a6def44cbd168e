#pragma once
// Message boxes: the one way the system tells the user of a failure or asks a question. The
// program installs a handler (a window in the GUI, standard error in the command-line tool,
// a recorder in tests).

#include <functional>

#include "platform/text.h"

namespace varlo {

// Styles, combinable: buttons | icon.
enum MessageBoxStyle : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};

// Answers.
enum MessageBoxResult : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Takes the text (code page 932) and style, returns the answer.
using MessageBoxHandler = std::function<int(const Text& text, unsigned style)>;

// Shows a message box through the installed handler and returns the user's answer.
int ShowMessageBox(const Text& text, unsigned style = kMbOk);

// Installs a handler for the calling thread and returns the previous one. An empty handler
// restores the default, which writes the text's bytes as one line to standard error and answers
// OK (or Yes); every thread starts with the default.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace varlo
