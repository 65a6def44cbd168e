// Where downloads and the preview page go: beside the program, or the per-user folder.

#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::ScopedEnv;

class ProgramFolder : public ::testing::Test {
  protected:
    std::string UserFolder() const { return m_home.File("data") + "/Varlo"; }
    test::TempDir m_home;
    test::TempDir m_program;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.File("data").c_str()};
};

TEST_F(ProgramFolder, AWritableProgramFolderIsUsedWithoutTrailingSlash) {
    EXPECT_EQ(ProgramFolderFor(m_program.Path().string() + "/"), m_program.Path().string());
    EXPECT_FALSE(std::filesystem::exists(UserFolder()));
}

TEST_F(ProgramFolder, AFolderNoOneMayWriteGivesThePerUserFolderEvenToRoot) {
    const std::string folder = m_program.File("bin");
    std::filesystem::create_directory(folder);
    chmod(folder.c_str(), 0555);
    EXPECT_EQ(ProgramFolderFor(folder), UserFolder());
    EXPECT_TRUE(std::filesystem::is_directory(UserFolder()));
    chmod(folder.c_str(), 0755);
}

TEST_F(ProgramFolder, SystemFoldersGiveThePerUserFolderWhateverTheUser) {
    EXPECT_EQ(ProgramFolderFor("/usr"), UserFolder());
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), UserFolder());
    EXPECT_EQ(ProgramFolderFor("/usr/local/bin"), UserFolder());
    EXPECT_EQ(ProgramFolderFor("/opt/varlo/bin"), UserFolder());
}

TEST_F(ProgramFolder, AMissingFolderGivesThePerUserFolder) {
    EXPECT_EQ(ProgramFolderFor(m_program.File("gone")), UserFolder());
}

TEST_F(ProgramFolder, WithoutXdgDataHomeThePerUserFolderLiesUnderHome) {
    ScopedEnv noXdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", m_home.Path().c_str());
    const mode_t mask = umask(0);
    const std::string folder = ProgramFolderFor("/usr/bin");
    umask(mask);
    EXPECT_EQ(folder, m_home.File(".local/share/Varlo"));
    EXPECT_TRUE(std::filesystem::is_directory(m_home.File(".local/share/Varlo")));
    // Every folder made on the way is its owner's alone, whatever the umask.
    for (const char* made : {".local", ".local/share", ".local/share/Varlo"}) {
        struct stat info {};
        ASSERT_EQ(stat(m_home.File(made).c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
}

// Folders that another user could write, or that are not what they seem, are never used: a link
// or file planted there would make a download overwrite or read something of its choosing.
class UnsafeFolders : public ProgramFolder {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to hand folders to another user";
    }
    // A folder under `dir` with the given mode, owned by `owner`.
    static std::string MakeFolder(const test::TempDir& dir, const std::string& name, mode_t mode,
                                  uid_t owner = geteuid()) {
        const std::string folder = dir.File(name);
        std::filesystem::create_directories(folder);
        chmod(folder.c_str(), mode);
        EXPECT_EQ(chown(folder.c_str(), owner, static_cast<gid_t>(-1)), 0);
        return folder;
    }
    static mode_t ModeOf(const std::string& folder) {
        struct stat info {};
        EXPECT_EQ(lstat(folder.c_str(), &info), 0);
        return info.st_mode & 07777;
    }
    static constexpr uid_t kSomeoneElse = 65534;
    test::TempDir m_runtime;
    test::TempDir m_temporary;
    ScopedEnv m_noHome{"HOME", nullptr};
    ScopedEnv m_noRuntime{"XDG_RUNTIME_DIR", nullptr};
    ScopedEnv m_tmp{"TMPDIR", m_temporary.Path().c_str()};
};

TEST_F(UnsafeFolders, TheEnvironmentsFolderCountsOnlyWhenItIsPrivate) {
    ScopedEnv shared("VARLO_PROGRAM_FOLDER", MakeFolder(m_program, "shared", 0777).c_str());
    EXPECT_NE(GetProgramFolder(), m_program.File("shared"));
    ScopedEnv foreign("VARLO_PROGRAM_FOLDER",
                      MakeFolder(m_program, "foreign", 0700, kSomeoneElse).c_str());
    EXPECT_NE(GetProgramFolder(), m_program.File("foreign"));
}

TEST_F(UnsafeFolders, TheProgramsFolderCountsOnlyWhenItIsThisUsersAndNobodyElseCanWriteIt) {
    EXPECT_EQ(ProgramFolderFor(MakeFolder(m_program, "shared", 0777)), UserFolder());
    EXPECT_EQ(ProgramFolderFor(MakeFolder(m_program, "sticky", 01777)), UserFolder());
    EXPECT_EQ(ProgramFolderFor(MakeFolder(m_program, "group", 0775)), UserFolder());
    EXPECT_EQ(ProgramFolderFor(MakeFolder(m_program, "foreign", 0755, kSomeoneElse)), UserFolder());
    std::filesystem::create_symlink(m_program.File("shared"), m_program.File("link"));
    EXPECT_EQ(ProgramFolderFor(m_program.File("link")), UserFolder());
    const std::string mine = MakeFolder(m_program, "mine", 0755);
    EXPECT_EQ(ProgramFolderFor(mine), mine);
}

TEST_F(UnsafeFolders, AnUnsafeDataFolderGivesTheFolderUnderHomeThenTheRuntimeFolder) {
    // $XDG_DATA_HOME/Varlo is a link to a folder someone else may write.
    const std::string open = MakeFolder(m_program, "open", 0777);
    std::filesystem::create_directories(m_home.File("data"));
    std::filesystem::create_symlink(open, UserFolder());
    ScopedEnv home("HOME", m_home.Path().c_str());
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), m_home.File(".local/share/Varlo"));

    // The folder under home belongs to someone else: the runtime folder is made, mode 0700.
    chown(m_home.File(".local/share/Varlo").c_str(), kSomeoneElse, static_cast<gid_t>(-1));
    ScopedEnv runtime("XDG_RUNTIME_DIR", m_runtime.Path().c_str());
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), m_runtime.File("Varlo"));
    EXPECT_EQ(ModeOf(m_runtime.File("Varlo")), 0700u);
    EXPECT_TRUE(std::filesystem::is_empty(open));
}

TEST_F(UnsafeFolders, WithoutAnyPerUserFolderAPrivateFolderUnderTheTemporaryFolderIsUsed) {
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    const std::string expected = m_temporary.File("varlo-" + std::to_string(geteuid()));
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), expected);
    EXPECT_EQ(ModeOf(expected), 0700u);
    // A runtime folder that is not private is passed over as well.
    ScopedEnv runtime("XDG_RUNTIME_DIR", MakeFolder(m_runtime, "run", 0777).c_str());
    MakeFolder(m_runtime, "run/Varlo", 0777);
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), expected);
}

TEST_F(UnsafeFolders, APlantedOrLooseTemporaryFolderIsNeverUsed) {
    ScopedEnv noData("XDG_DATA_HOME", nullptr);
    const std::string name = "varlo-" + std::to_string(geteuid());
    const std::string usual = m_temporary.File(name);
    const std::string planted = MakeFolder(m_program, "planted", 0700, kSomeoneElse);
    for (int attack = 0; attack < 3; ++attack) {
        std::filesystem::remove_all(usual);
        if (attack == 0) std::filesystem::create_symlink(planted, usual);
        if (attack == 1) MakeFolder(m_temporary, name, 0700, kSomeoneElse);
        if (attack == 2) MakeFolder(m_temporary, name, 0755);
        SCOPED_TRACE(attack);
        const std::string folder = ProgramFolderFor("/usr/bin");
        EXPECT_NE(folder, usual);
        EXPECT_EQ(folder.rfind(usual + ".", 0), 0u) << folder;
        EXPECT_EQ(ModeOf(folder), 0700u);
        EXPECT_TRUE(std::filesystem::is_empty(planted));
    }
}

TEST_F(ProgramFolder, AnOverrideWinsAndThePreviewPageLiesInTheChosenFolder) {
    ScopedEnv fromEnvironment("VARLO_PROGRAM_FOLDER", m_program.Path().c_str());
    EXPECT_EQ(GetProgramFolder(), m_program.Path().string());
    EXPECT_EQ(GetPreviewPath(), m_program.File("MorvaPreview.html"));
    SetProgramFolder("/somewhere/else");
    EXPECT_EQ(GetPreviewPath(), "/somewhere/else/MorvaPreview.html");
    SetProgramFolder({});
    EXPECT_EQ(GetProgramFolder(), m_program.Path().string());
}

}  // namespace
}  // namespace varlo
