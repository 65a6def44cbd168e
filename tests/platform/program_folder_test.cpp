// Where downloads and the preview page go: beside the program, or the per-user folder.

#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/test_support.h"

namespace varlo {
namespace {

// Sets or clears an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_previous = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_previous) {
            setenv(m_name, m_previous->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

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
    EXPECT_EQ(ProgramFolderFor("/usr/bin"), m_home.File(".local/share/Varlo"));
    EXPECT_TRUE(std::filesystem::is_directory(m_home.File(".local/share/Varlo")));
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
