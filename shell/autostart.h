#pragma once
// Starting with the desktop: an XDG autostart entry that runs the program minimised at login.

#include <string>

namespace varlo {

// Where the entry lives: $XDG_CONFIG_HOME/autostart/varlo.desktop, else under ~/.config; empty
// when neither is known.
std::string AutostartPath();

// The entry that starts `program` (an absolute path) minimised.
std::string AutostartEntry(const std::string& program);

// Writes the entry for `program` (`on`) or removes it. False when the file could not be written
// or removed.
bool SetAutostart(bool on, const std::string& program);

// Whether an entry is there.
bool AutostartOn();

}  // namespace varlo
