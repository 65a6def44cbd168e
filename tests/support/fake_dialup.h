#pragma once
// A dial-up service for tests: entries, outcomes and connections are set by the test, and every
// call is recorded in order.

#include <optional>
#include <string>
#include <vector>

#include "platform/dialup.h"

namespace varlo::test {

class FakeDialupService : public IDialupService {
  public:
    bool available = true;
    std::optional<std::vector<std::string>> entries = std::vector<std::string>{};
    DialOutcome outcome = DialOutcome::kConnected;
    std::optional<int> connections = 0;
    std::vector<std::string> calls;  // "dial NAME", "hangup"

    bool Available() override { return available; }
    std::optional<std::vector<std::string>> Entries() override { return entries; }
    bool HasEntry(const std::string& entry) override {
        if (!entries) return false;
        for (const auto& e : *entries) {
            if (e == entry) return true;
        }
        return false;
    }
    DialOutcome Dial(const std::string& entry) override {
        calls.push_back("dial " + entry);
        return outcome;
    }
    std::optional<int> ActiveConnections() override { return connections; }
    void HangUp() override { calls.push_back("hangup"); }
};

}  // namespace varlo::test
