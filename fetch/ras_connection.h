#pragma once
// One dial-up command's view of the dial-up service: the entry list for the dialog, dialling the
// chosen entry and hanging up. Lives for one command; keeps no connection state.

#include <vector>

#include "platform/dialup.h"
#include "platform/text.h"

namespace varlo {

class CRasConnection {
  public:
    // Uses the system's service unless another (a fake in tests) is given; it must outlive this.
    explicit CRasConnection(IDialupService& service = SystemDialupService()) : m_service(service) {}

    // True when dial-up networking is installed; otherwise tells the user so and returns false.
    bool CheckAvailable();
    // Reads the entry names; false (and no entries) when the list cannot be read.
    bool EnumEntries();
    // Appends every entry name to `list` in entry order (the dialog sorts and selects itself).
    void FillEntryList(std::vector<Text>& list) const;
    // Dials the entry; true when connected or the line was already open. An empty or unsafe
    // name dials nothing; without dial-up networking the user is told so.
    bool Dial(const Text& entry);
    // Hangs up the active connection; false when the connections cannot be read or several are
    // active (then nothing is hung up).
    bool HangUp();
    // Entry names (system text) read by EnumEntries.
    const std::vector<Text>& Entries() const { return m_entries; }

  private:
    IDialupService& m_service;
    std::vector<Text> m_entries;
};

}  // namespace varlo
