#include "platform/dialup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"

namespace varlo {
namespace {

// A ppp installation in a temporary folder: peer files, and pon/poff scripts that record their
// arguments (one per line) and exit with the status written in "status".
class PppInstallation {
  public:
    PppInstallation() {
        std::filesystem::create_directories(m_dir.Path() / "peers");
        std::filesystem::create_directories(m_dir.Path() / "proc");
        MakeScript("pon");
        MakeScript("poff");
        SetStatus(0);
    }
    PppDialupService::Paths Paths() const {
        return {m_dir.File("peers"), m_dir.File("pon"), m_dir.File("poff"), m_dir.File("proc")};
    }
    void AddPeer(const std::string& name) { test::WriteFile(m_dir.File("peers/" + name), "\n"); }
    void SetStatus(int status) { test::WriteFile(m_dir.File("status"), std::to_string(status)); }
    void AddProcess(int pid, const std::string& command) {
        std::filesystem::create_directories(m_dir.Path() / "proc" / std::to_string(pid));
        test::WriteFile(m_dir.File("proc/" + std::to_string(pid) + "/comm"), command + "\n");
    }
    std::string Log() const { return test::ReadFile(m_dir.File("log")); }
    std::string File(const std::string& name) const { return m_dir.File(name); }

  private:
    void MakeScript(const std::string& name) {
        std::string path = m_dir.File(name);
        test::WriteFile(path, "#!/bin/sh\necho " + name + " >> '" + m_dir.File("log") +
                                  "'\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                                  m_dir.File("log") + "'; done\nexit $(cat '" +
                                  m_dir.File("status") + "')\n");
        chmod(path.c_str(), 0755);
    }
    test::TempDir m_dir;
};

TEST(PppService, EntriesAreThePlainPeerFilesInNameOrder) {
    PppInstallation ppp;
    ppp.AddPeer("office");
    ppp.AddPeer("home");
    ppp.AddPeer("-x");
    ppp.AddPeer(".hidden");
    ppp.AddPeer("two words");
    std::filesystem::create_directory(ppp.File("peers/folder"));
    PppDialupService service(ppp.Paths());
    auto entries = service.Entries();
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, (std::vector<std::string>{"home", "office"}));
}

TEST(PppService, WithoutThePeersFolderThereAreNoEntriesAndNoService) {
    PppInstallation ppp;
    auto paths = ppp.Paths();
    paths.peers += "-missing";
    PppDialupService service(paths);
    EXPECT_FALSE(service.Entries());
    EXPECT_FALSE(service.Available());
    EXPECT_EQ(service.Dial("office"), DialOutcome::kUnavailable);
}

TEST(PppService, DialStartsPonWithTheNameAsOneArgumentAndWaits) {
    PppInstallation ppp;
    ppp.AddPeer("office");
    PppDialupService service(ppp.Paths());
    EXPECT_TRUE(service.HasEntry("office"));
    EXPECT_EQ(service.Dial("office"), DialOutcome::kConnected);
    EXPECT_EQ(ppp.Log(), "pon\noffice\nupdetach\n");
}

TEST(PppService, ALockedLineIsAlreadyOpenAndOtherFailuresFail) {
    PppInstallation ppp;
    ppp.AddPeer("office");
    PppDialupService service(ppp.Paths());
    ppp.SetStatus(6);
    EXPECT_EQ(service.Dial("office"), DialOutcome::kAlreadyOpen);
    ppp.SetStatus(10);
    EXPECT_EQ(service.Dial("office"), DialOutcome::kFailed);
}

TEST(PppService, NeverStartsPonForANameThatIsNotPlain) {
    PppInstallation ppp;
    PppDialupService service(ppp.Paths());
    EXPECT_EQ(service.Dial("$(touch x)"), DialOutcome::kFailed);
    EXPECT_EQ(service.Dial("../peers"), DialOutcome::kFailed);
    EXPECT_FALSE(service.HasEntry("../status"));
    EXPECT_EQ(ppp.Log(), "");
}

TEST(PppService, CountsRunningPppdProcessesAndHangsUpWithPoff) {
    PppInstallation ppp;
    ppp.AddProcess(10, "bash");
    ppp.AddProcess(11, "pppd");
    PppDialupService service(ppp.Paths());
    EXPECT_EQ(service.ActiveConnections(), 1);
    ppp.AddProcess(12, "pppd");
    EXPECT_EQ(service.ActiveConnections(), 2);
    service.HangUp();
    EXPECT_EQ(ppp.Log(), "poff\n");
}

TEST(PlainEntryNames, AcceptOnlyNamesThatCannotEscapeOrBeOptions) {
    for (const char* good : {"provider", "my-isp_2", "isp.example.com", "a+b@c"}) {
        EXPECT_TRUE(IsPlainEntryName(good)) << good;
    }
    for (const char* bad :
         {"", ".", "..", "a/b", "-d", ".x", "a b", "a*", "a\nb", "\xE6\x97\xA5"}) {
        EXPECT_FALSE(IsPlainEntryName(bad)) << bad;
    }
}

}  // namespace
}  // namespace varlo
