// varlo-cli paths, run as a separate program.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "support/test_support.h"

namespace varlo {
namespace {

TEST(CliPaths, PrintsTheFolderBesideTheBuiltProgramAndThePreviewPageInIt) {
    unsetenv("VARLO_PROGRAM_FOLDER");
    const auto result = test::RunCli("paths");
    ASSERT_EQ(result.status, 0);
    const auto json = nlohmann::json::parse(result.out);
    const std::string folder = std::filesystem::path(VARLO_CLI_PATH).parent_path().string();
    EXPECT_EQ(json["programFolder"], folder);
    EXPECT_EQ(json["previewPath"], folder + "/MorvaPreview.html");
}

TEST(CliPaths, FollowsTheFolderGivenInTheEnvironment) {
    test::TempDir dir;
    setenv("VARLO_PROGRAM_FOLDER", dir.Path().c_str(), 1);
    const auto result = test::RunCli("paths");
    unsetenv("VARLO_PROGRAM_FOLDER");
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["programFolder"], dir.Path().string());
    EXPECT_EQ(json["previewPath"], dir.File("MorvaPreview.html"));
}

TEST(CliPaths, TakesNoArguments) {
    EXPECT_EQ(test::RunCli("paths extra").status, 2);
}

}  // namespace
}  // namespace varlo
