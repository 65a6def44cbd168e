#include "fetch/ras_connection.h"

#include "encoding/codepage.h"
#include "platform/message_box.h"

namespace varlo {

bool CRasConnection::EnumEntries() {
    m_entries.clear();
    auto names = m_service.Entries();
    if (!names) return false;
    for (const auto& name : *names) m_entries.push_back(Utf8ToCp932(name));
    return true;
}

void CRasConnection::FillEntryList(std::vector<Text>& list) const {
    list.insert(list.end(), m_entries.begin(), m_entries.end());
}

bool CRasConnection::CheckAvailable() {
    if (m_service.Available()) return true;
    ShowMessageBox(Jp("ダイヤルアップネットワークを利用できません"), kMbOk | kMbIconWarning);
    return false;
}

bool CRasConnection::Dial(const Text& entry) {
    if (entry.empty()) return false;
    if (!CheckAvailable()) return false;
    // The name comes from the settings file: it must name a peer file and nothing else.
    const std::string name = Cp932ToUtf8(entry);
    if (!IsPlainEntryName(name) || !m_service.HasEntry(name)) return false;
    switch (m_service.Dial(name)) {
        case DialOutcome::kConnected:
        case DialOutcome::kAlreadyOpen:
            return true;
        case DialOutcome::kFailed:
        case DialOutcome::kUnavailable:
            break;
    }
    return false;
}

bool CRasConnection::HangUp() {
    auto active = m_service.ActiveConnections();
    // Several connections are more than the one-record list holds: nothing is hung up.
    if (!active || *active > 1) return false;
    if (*active == 1) m_service.HangUp();
    return true;
}

}  // namespace varlo
