#pragma once
// The system's dial-up service as the program uses it: a list of phone-book entries, dialling
// one and waiting for the result, the active connections and hanging up. CRasConnection keeps the
// program's rules on top; the Linux implementation drives the ppp package.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varlo {

// What dialling an entry came to.
enum class DialOutcome {
    kConnected,
    kAlreadyOpen,  // the line is in use by a connection made earlier; counts as success
    kFailed,
    kUnavailable,  // no dial-up networking on this system
};

class IDialupService {
  public:
    virtual ~IDialupService() = default;
    // Whether dial-up networking exists on this system at all.
    virtual bool Available() = 0;
    // Entry names (file-system names) in the service's order; none when they cannot be read.
    virtual std::optional<std::vector<std::string>> Entries() = 0;
    // Whether the entry exists with its stored parameters.
    virtual bool HasEntry(const std::string& entry) = 0;
    // Dials and waits until the link is up or has failed.
    virtual DialOutcome Dial(const std::string& entry) = 0;
    // Number of active connections; none when it cannot be read.
    virtual std::optional<int> ActiveConnections() = 0;
    // Hangs up the one active connection.
    virtual void HangUp() = 0;
};

// The ppp package: entries are the peer files of a folder, `pon NAME updetach` dials and
// returns once the link is up or has failed, `poff` hangs up the one running link. Programs are
// started with an argument list, never through a shell.
class PppDialupService : public IDialupService {
  public:
    struct Paths {
        std::string peers = "/etc/ppp/peers";
        std::string pon = "/usr/bin/pon";
        std::string poff = "/usr/bin/poff";
        std::string proc = "/proc";  // where running pppd processes are counted
    };
    PppDialupService() = default;
    explicit PppDialupService(Paths paths) : m_paths(std::move(paths)) {}

    bool Available() override;
    std::optional<std::vector<std::string>> Entries() override;
    bool HasEntry(const std::string& entry) override;
    DialOutcome Dial(const std::string& entry) override;
    std::optional<int> ActiveConnections() override;
    void HangUp() override;

  private:
    Paths m_paths;
};

// True for a plain file name that can only mean a file directly inside the peers folder and that
// no program (pon is a shell script) can take for an option, a pattern or several words: ASCII
// letters, digits and "._-+@:,=" only, not starting with "." or "-".
bool IsPlainEntryName(const std::string& name);

// The service of this system (the ppp package).
IDialupService& SystemDialupService();

}  // namespace varlo
